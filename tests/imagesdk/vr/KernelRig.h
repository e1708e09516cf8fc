#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/vr/vrRayKernels.h"
#include "imagesdk/vr/vrSpaceLeaping.h"
#include "imagesdk/vr/vrTransferFunction.h"

namespace vrtest {

// A small volume with its grid and tables, ready for calling kernels directly.
template <typename T> struct KernelRig {
    KernelRig(int w, int h, int d, int pixelType) : voxels(std::size_t(w) * h * d, T(0)) {
        desc.width = w;
        desc.height = h;
        desc.depth = d;
        desc.pixelType = pixelType;
        desc.data = voxels.data();
        if (pixelType == isImageSDK::PIXEL_FLOAT32) {
            grid = std::make_unique<isImageSDK::vrSpaceLeapingFloat>();
        } else {
            grid = std::make_unique<isImageSDK::vrSpaceLeaping>();
        }
    }

    T& at(int x, int y, int z) {
        return voxels[std::size_t(x + desc.width * (y + desc.height * z))];
    }

    // Builds grid and tables for a window; colours give entry i the colour (i, 255 - i, 7).
    void prepare(float width, float centre, bool colourRamp = false) {
        if (colourRamp) {
            std::uint8_t colours[768];
            for (int i = 0; i < 256; ++i) {
                colours[3 * i] = std::uint8_t(i);
                colours[3 * i + 1] = std::uint8_t(255 - i);
                colours[3 * i + 2] = 7;
            }
            function.buildFromColorTable(colours);
        }
        function.ensureTables();
        const float low = centre - width * 0.5f;
        const float scale = 255.0f / width;
        grid->init(&desc);
        grid->build();
        if (auto* g = dynamic_cast<isImageSDK::vrSpaceLeapingFloat*>(grid.get())) {
            g->setThreshold(low);
        } else {
            grid->setThreshold(int(low));
        }
        int base = desc.pixelType == isImageSDK::PIXEL_INT16 ? -32768 : 0;
        function.fillValueTable(valueTable.data(), base, 65536, low, scale);
        function.fillIndexTable(indexTable.data());
        function.fillPreIntegratedTable(preTable.data());
        context.voxels = voxels.data();
        context.dims[0] = desc.width;
        context.dims[1] = desc.height;
        context.dims[2] = desc.depth;
        context.sliceSize = std::ptrdiff_t(desc.width) * desc.height;
        context.valueTable = valueTable.data();
        context.valueBase = -base;
        context.indexTable = indexTable.data();
        context.preTable = preTable.data();
        context.low = low;
        context.scale = scale;
        context.grid = grid.get();
        const float box[6] = {0, float(desc.width - 2), 0, float(desc.height - 2),
                              0, float(desc.depth - 2)};
        std::memcpy(context.volumeBox, box, sizeof(box));
        context.gradientStep = 1.0f;
    }

    // Casts one ray along +x through row (y, z), starting at x0 with the given step.
    std::vector<int> cast(int mode, bool trilinear, float y, float z, float x0 = -3.0f,
                          float step = 1.0f) {
        isImageSDK::vrRayBlock ray{{x0, y, z}, {step, 0.0f, 0.0f}, 1000};
        isImageSDK::cuLight ownLight = light;
        std::uint8_t out[3] = {1, 2, 3};
        auto kernel = isImageSDK::vrSelectKernel(mode, desc.pixelType, trilinear);
        kernel(context, ray, ownLight, out);
        return {out[0], out[1], out[2]};
    }

    std::vector<T> voxels;
    isImageSDK::vrVolumeDesc desc;
    std::unique_ptr<isImageSDK::vrSpaceLeapingBase> grid;
    isImageSDK::vrTransferFunction function;
    std::vector<isImageSDK::vrTableEntry> valueTable = std::vector<isImageSDK::vrTableEntry>(65536);
    std::vector<isImageSDK::vrTableEntry> indexTable = std::vector<isImageSDK::vrTableEntry>(256);
    std::vector<isImageSDK::vrTableEntry> preTable = std::vector<isImageSDK::vrTableEntry>(65536);
    isImageSDK::vrKernelContext context;
    isImageSDK::cuLight light;
};

}  // namespace vrtest
