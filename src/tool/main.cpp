// mirelo-tool: the program's own pixel operations on BMP files, for checks and benchmarks.
//   mirelo-tool quantize --mode N [--dither] in.bmp out.bmp
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "colour/quantize.h"
#include "files/bmp_file.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: mirelo-tool quantize --mode N [--dither] in.bmp out.bmp\n"
                 "  N = 1..12: 1-4 two colours (1 bit), 5-8 16 colours, 9-12 256 colours;\n"
                 "  within a depth: +0 uniform division, +1 fixed, +2 monotone, +3 median cut\n");
    return 2;
}

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int Quantize(int argc, char** argv) {
    int mode = 0;
    bool dither = false;
    std::vector<const char*> files;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--mode") && i + 1 < argc) {
            mode = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--dither")) {
            dither = true;
        } else if (argv[i][0] == '-' && argv[i][1]) {
            return Usage();
        } else {
            files.push_back(argv[i]);
        }
    }
    if (mode < 1 || mode > 12 || files.size() != 2) return Usage();
    std::vector<uint8_t> bytes;
    if (!ReadFile(files[0], &bytes)) {
        std::fprintf(stderr, "mirelo-tool: cannot read %s\n", files[0]);
        return 1;
    }
    mirelo::OwnedPixels pixels;
    mirelo::PixelFormat fileFormat = 0;
    std::string error;
    if (!mirelo::ReadBmp(bytes, &pixels, &fileFormat, &error)) {
        std::fprintf(stderr, "mirelo-tool: %s: %s\n", files[0], error.c_str());
        return 1;
    }
    const int bpp = mode <= 4 ? 1 : (mode <= 8 ? 4 : 8);
    const mirelo::PixelFormat target = bpp == 1 ? mirelo::fmt::k1Index : (bpp == 4 ? mirelo::fmt::k4Index : mirelo::fmt::k8Index);
    mirelo::QuantizeRequest request;
    request.pixels = pixels.view;
    request.sourceFormat = fileFormat == mirelo::fmt::k24RGB ? mirelo::fmt::k24RGB : mirelo::fmt::k32ARGB;
    request.mode = mode;
    request.dither = dither;
    request.targetDefaultPalette = mirelo::DefaultPalette(1 << bpp);
    mirelo::QuantizeResult result = mirelo::Quantize(request);
    if (result.status != 0) {
        std::fprintf(stderr, "mirelo-tool: conversion failed (%d) %s\n", result.status, mirelo::ToUtf8(result.message ? result.message : u"").c_str());
        return 1;
    }
    mirelo::OwnedPixels out;
    out.palette = result.palette;
    out.Allocate(pixels.view.width, pixels.view.height, target);
    mirelo::PackIndices(result.indices, out.view);
    std::vector<uint8_t> file;
    if (!mirelo::WriteBmp(out.view, &file) || !WriteFile(files[1], file)) {
        std::fprintf(stderr, "mirelo-tool: cannot write %s\n", files[1]);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && !std::strcmp(argv[1], "quantize")) return Quantize(argc, argv);
    return Usage();
}
