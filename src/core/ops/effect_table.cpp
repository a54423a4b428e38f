#include "ops/effect_table.h"

#include <algorithm>
#include <cmath>

namespace mirelo {

// The core rules, one per row, written in the family files effects_*.cpp.
namespace effect_rules {
bool BrightnessRule(const EffectFrame&, const EffectParams&);
bool ContrastRule(const EffectFrame&, const EffectParams&);
bool GammaRule(const EffectFrame&, const EffectParams&);
bool SaturationRule(const EffectFrame&, const EffectParams&);
bool InvertMonoRule(const EffectFrame&, const EffectParams&);
bool SolariseRule(const EffectFrame&, const EffectParams&);
bool PosteriseRule(const EffectFrame&, const EffectParams&);
bool LuminanceAlphaRule(const EffectFrame&, const EffectParams&);
bool MosaicRule(const EffectFrame&, const EffectParams&);
bool BlurRule(const EffectFrame&, const EffectParams&);
bool BlurAlphaRule(const EffectFrame&, const EffectParams&);
bool SharpenRule(const EffectFrame&, const EffectParams&);
bool EdgesRule(const EffectFrame&, const EffectParams&);
bool EmbossRule(const EffectFrame&, const EffectParams&);
bool NoiseRule(const EffectFrame&, const EffectParams&);
bool DenoiseRule(const EffectFrame&, const EffectParams&);
bool HueRule(const EffectFrame&, const EffectParams&);
bool CircleRule(const EffectFrame&, const EffectParams&);
bool AntialiasRule(const EffectFrame&, const EffectParams&);
bool HalftoneRule(const EffectFrame&, const EffectParams&);
bool HalftoneNewspaperRule(const EffectFrame&, const EffectParams&);
bool BinaryRule(const EffectFrame&, const EffectParams&);
bool BinaryDitherRule(const EffectFrame&, const EffectParams&);
}  // namespace effect_rules

namespace {

// The colour matrices: the identity with one change each.
void Identity(float m[5][5]) {
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
}

// A turn of the colour space by `value` degrees (0..360) about the axis of one channel.
template <int kAxis>
void RotateMatrix(int value, float m[5][5]) {
    Identity(m);
    const double theta = std::clamp(value, 0, 360) * 3.1415926535 / 180;
    const float c = static_cast<float>(std::cos(theta)), s = static_cast<float>(std::sin(theta));
    if (kAxis == 0) {
        m[1][1] = c, m[1][2] = s, m[2][1] = -s, m[2][2] = c;
    } else if (kAxis == 1) {
        m[0][0] = c, m[0][2] = -s, m[2][0] = s, m[2][2] = c;
    } else {
        m[0][0] = c, m[0][1] = s, m[1][0] = -s, m[1][1] = c;
    }
}

// value / 100 (0..100) added to one channel (R, G, B or A).
template <int kChannel>
void ShiftMatrix(int value, float m[5][5]) {
    Identity(m);
    m[4][kChannel] = static_cast<float>(std::clamp(value, 0, 100)) / 100.0f;
}

using namespace effect_rules;
constexpr EffectKind kPixel = EffectKind::kPixel, kBlock = EffectKind::kBlock, kAround = EffectKind::kNeighbourhood,
                     kSource = EffectKind::kSource, kMatrix = EffectKind::kColourMatrix;

const EffectInfo kTable[] = {
    // name, default, maximum, kind, rule, matrix, changes at default
    {u"明度", 100, 200, kPixel, BrightnessRule, nullptr, false},
    {u"ｺﾝﾄﾗｽﾄ", 100, 200, kPixel, ContrastRule, nullptr, false},
    {u"ｶﾞﾝﾏ補正", 50, 100, kPixel, GammaRule, nullptr, false},
    {u"彩度", 255, 510, kPixel, SaturationRule, nullptr, false},
    {u"色反転･ﾓﾉｸﾛ", 0, 6, kPixel, InvertMonoRule, nullptr, false},
    {u"ｿﾗﾘｾﾞｰｼｮﾝ", 0, 6, kPixel, SolariseRule, nullptr, false},
    {u"ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ", 0, 254, kPixel, PosteriseRule, nullptr, false},
    {u"ﾙﾐﾅｽ ｱﾙﾌｧ", 0, 8, kPixel, LuminanceAlphaRule, nullptr, false},
    {u"ﾓｻﾞｲｸ", 0, 32, kBlock, MosaicRule, nullptr, false},
    {u"ぼかす", 0, 2, kAround, BlurRule, nullptr, false},
    {u"ぼかす（透明度のみ）", 0, 2, kAround, BlurAlphaRule, nullptr, false},
    {u"ｼｬｰﾌﾟ", 0, 2, kAround, SharpenRule, nullptr, false},
    {u"ｴｯｼﾞ抽出", 0, 4, kAround, EdgesRule, nullptr, false},
    {u"ｴﾝﾎﾞｽ", 0, 8, kAround, EmbossRule, nullptr, false},
    {u"ﾉｲｽﾞ", 0, 100, kSource, NoiseRule, nullptr, false},
    {u"ﾉｲｽﾞ除去", 0, 1, kAround, DenoiseRule, nullptr, false},
    {u"色相", 0, 192, kPixel, HueRule, nullptr, false},
    {u"円形", 0, 1, kSource, CircleRule, nullptr, false},
    {u"ｱﾝﾁｴｲﾘｱｽ", 0, 3, kSource, AntialiasRule, nullptr, false},
    {u"ﾊｰﾌﾄｰﾝ", 0, 12, kPixel, HalftoneRule, nullptr, false},
    {u"ﾊｰﾌﾄｰﾝ（新聞）", 0, 12, kPixel, HalftoneNewspaperRule, nullptr, false},
    {u"2値画像", 50, 100, kPixel, BinaryRule, nullptr, true},
    {u"2値画像（ﾃﾞｨｻﾞ）", 50, 100, kPixel, BinaryDitherRule, nullptr, true},
    {u"色の回転（赤）", 0, 360, kMatrix, nullptr, RotateMatrix<0>, false},
    {u"色の回転（緑）", 0, 360, kMatrix, nullptr, RotateMatrix<1>, false},
    {u"色の回転（青）", 0, 360, kMatrix, nullptr, RotateMatrix<2>, false},
    {u"色の移動（赤）", 0, 100, kMatrix, nullptr, ShiftMatrix<0>, false},
    {u"色の移動（緑）", 0, 100, kMatrix, nullptr, ShiftMatrix<1>, false},
    {u"色の移動（青）", 0, 100, kMatrix, nullptr, ShiftMatrix<2>, false},
    {u"色の移動（透明度）", 0, 100, kMatrix, nullptr, ShiftMatrix<3>, false},
};
static_assert(sizeof kTable / sizeof kTable[0] == kEffectCount, "one row per effect");

}  // namespace

const EffectInfo* EffectTable() { return kTable; }

const EffectInfo* FindEffect(int number) { return number >= 0 && number < kEffectCount ? &kTable[number] : nullptr; }

void EffectColourMatrix(int effect, int value, float matrix[5][5]) {
    const EffectInfo* info = FindEffect(effect);
    if (info && info->matrix)
        info->matrix(value, matrix);
    else
        Identity(matrix);
}

}  // namespace mirelo
