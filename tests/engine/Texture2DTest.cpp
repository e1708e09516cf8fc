#include "engine/renderer/Texture2D.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using cocos2d::Size;
using cocos2d::Texture2D;

TEST(Texture2DTest, CountsEveryTexelUpload) {
    Texture2D texture;
    const std::vector<std::uint8_t> texels(4 * 4 * 2, 7);
    const unsigned long long before = Texture2D::getUploadCount();
    ASSERT_TRUE(texture.initWithData(texels.data(), texels.size(), Texture2D::PixelFormat::AI88, 4,
                                     4, Size(4, 4)));
    EXPECT_EQ(Texture2D::getUploadCount(), before + 1);
    ASSERT_TRUE(texture.updateWithData(texels.data(), 1, 1, 2, 2));
    EXPECT_EQ(Texture2D::getUploadCount(), before + 2);
    // Refused updates and stores without data upload nothing.
    EXPECT_FALSE(texture.updateWithData(texels.data(), 3, 3, 2, 2));
    ASSERT_TRUE(texture.initWithData(nullptr, 0, Texture2D::PixelFormat::RGB888, 8, 8, Size(8, 8)));
    EXPECT_EQ(Texture2D::getUploadCount(), before + 2);
}
