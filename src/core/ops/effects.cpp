#include "ops/effects.h"

#include <cstring>
#include <new>
#include <vector>

namespace mirelo {
namespace {

const EffectInfo kTable[kEffectCount] = {
    {u"明度", 100, 200},
    {u"ｺﾝﾄﾗｽﾄ", 100, 200},
    {u"ｶﾞﾝﾏ補正", 50, 100},
    {u"彩度", 255, 510},
    {u"色反転･ﾓﾉｸﾛ", 0, 6},
    {u"ｿﾗﾘｾﾞｰｼｮﾝ", 0, 6},
    {u"ﾎﾟｽﾀﾘｾﾞｰｼｮﾝ", 0, 254},
    {u"ﾙﾐﾅｽ ｱﾙﾌｧ", 0, 8},
    {u"ﾓｻﾞｲｸ", 0, 32},
    {u"ぼかす", 0, 2},
    {u"ぼかす（透明度のみ）", 0, 2},
    {u"ｼｬｰﾌﾟ", 0, 2},
    {u"ｴｯｼﾞ抽出", 0, 4},
    {u"ｴﾝﾎﾞｽ", 0, 8},
    {u"ﾉｲｽﾞ", 0, 100},
    {u"ﾉｲｽﾞ除去", 0, 1},
    {u"色相", 0, 192},
    {u"円形", 0, 1},
    {u"ｱﾝﾁｴｲﾘｱｽ", 0, 3},
    {u"ﾊｰﾌﾄｰﾝ", 0, 12},
    {u"ﾊｰﾌﾄｰﾝ（新聞）", 0, 12},
    {u"2値画像", 50, 100},
    {u"2値画像（ﾃﾞｨｻﾞ）", 50, 100},
    {u"色の回転（赤）", 0, 360},
    {u"色の回転（緑）", 0, 360},
    {u"色の回転（青）", 0, 360},
    {u"色の移動（赤）", 0, 100},
    {u"色の移動（緑）", 0, 100},
    {u"色の移動（青）", 0, 100},
    {u"色の移動（透明度）", 0, 100},
};

}  // namespace

const EffectInfo* EffectTable() { return kTable; }

const EffectInfo* FindEffect(int number) { return number >= 0 && number < kEffectCount ? &kTable[number] : nullptr; }

OpStatus ApplyEffectPixels(const PixelView& source, const PixelView& destination, const EffectParams& params) {
    if (!source.scan0 || !destination.scan0 || source.width <= 0 || source.height <= 0)
        return OpStatus::Failed(effect_text::kNoMemory, effect_status::kMissingBitmap);
    if (BitsPerPixel(source.format) != 32) return OpStatus::Failed(effect_text::kFormatNotSupported, effect_status::kFormat);
    if (source.width != destination.width || source.height != destination.height || source.format != destination.format)
        return OpStatus::Failed(effect_text::kSizeOrFormatDiffers, effect_status::kSizeOrFormat);
    if (params.effect < 0 || params.effect >= kPixelEffectCount) return OpStatus::Failed(nullptr, effect_status::kBadEffect);
    if (params.value < 0 || params.value > kTable[params.effect].maxValue)
        return OpStatus::Failed(nullptr, effect_status::kBadValue);
    if (params.copyFirst) {
        for (int y = 0; y < source.height; ++y)
            std::memmove(destination.Row(y), source.Row(y), static_cast<size_t>(source.width) * 4);
    }
    // The rules follow.
    return OpStatus{};
}

}  // namespace mirelo
