#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "engine/backend/GLViewImpl.h"
#include "engine/base/Director.h"
#include "engine/platform/Application.h"
#include "engine/platform/Device.h"
#include "engine/platform/GLView.h"

using namespace cocos2d;

TEST(ApplicationTest, LocaleNamesMapToTheLanguageOrder) {
    struct Case {
        const char* locale;
        int language;
    };
    const Case cases[] = {
        {"en_US.UTF-8", 0}, {"zh_CN.UTF-8", 1}, {"zh_TW", 1},  {"fr_FR", 2},        {"it", 3},
        {"de_DE@euro", 4},  {"es_ES", 5},       {"nl_NL", 6},  {"ru_RU.KOI8-R", 7}, {"ko_KR", 8},
        {"ja_JP", 9},       {"hu_HU", 10},      {"pt_BR", 11}, {"ar_EG", 12},       {"nb_NO", 13},
        {"pl_PL", 14},      {"tr_TR", 15},      {"uk_UA", 16}, {"ro_RO", 17},       {"bg_BG", 18},
        {"C", 0},           {"POSIX", 0},       {"", 0},       {"sv_SE", 0},        {"ZH_cn", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(Application::languageForLocale(c.locale)), c.language)
            << c.locale;
    }
}

TEST(ApplicationTest, OpeningAnEmptyAddressFails) {
    struct Probe : Application {
        bool applicationDidFinishLaunching() override { return false; }
        void applicationDidEnterBackground() override {}
        void applicationWillEnterForeground() override {}
    } probe;
    EXPECT_EQ(Application::getInstance(), &probe);
    EXPECT_FALSE(probe.openURL(""));
    // A delegate that refuses to launch ends the run at once.
    EXPECT_EQ(probe.run(), 1);
}

TEST(DeviceTest, HeadlessFactsAreUsable) {
    EXPECT_GT(Device::getDPI(), 0);
    const std::string info = Device::getDeviceInfo();
    EXPECT_FALSE(info.empty());
    EXPECT_EQ(info, Device::getDeviceInfo());
}

TEST(GLViewTest, FixedHeightKeepsTheHeightAndFollowsTheFrameAspect) {
    GLView view;
    Director::getInstance()->setOpenGLView(&view);
    view.setFrameSize(1912, 1005);
    EXPECT_EQ(Director::getInstance()->getWinSize().width, 1912.0f);
    view.setDesignResolutionSize(960, 640, ResolutionPolicy::FIXED_HEIGHT);
    EXPECT_EQ(view.getDesignResolutionSize().height, 640.0f);
    EXPECT_EQ(view.getDesignResolutionSize().width, 1218.0f);  // ceil(1912 / (1005 / 640))
    EXPECT_FLOAT_EQ(view.getScaleX(), 1005.0f / 640.0f);
    EXPECT_FLOAT_EQ(view.getScaleY(), view.getScaleX());
    EXPECT_EQ(Director::getInstance()->getWinSize().width, 1218.0f);
    // The start-up path: the design resolution is the frame size itself.
    view.setDesignResolutionSize(1912, 1005, ResolutionPolicy::FIXED_HEIGHT);
    EXPECT_EQ(Director::getInstance()->getWinSize().width, 1912.0f);
    EXPECT_FLOAT_EQ(view.getScaleX(), 1.0f);
    Director::getInstance()->setOpenGLView(nullptr);
    Director::getInstance()->purgeDirector();
}

TEST(GLViewTest, WindowKeysUseTheStockCodes) {
    struct Case {
        SDL_Keycode key;
        int code;
    };
    const Case cases[] = {
        {SDLK_ESCAPE, 6},  {SDLK_BACKSPACE, 7}, {SDLK_TAB, 8},     {SDLK_LSHIFT, 12},
        {SDLK_LCTRL, 14},  {SDLK_RCTRL, 15},    {SDLK_LALT, 16},   {SDLK_DELETE, 23},
        {SDLK_LEFT, 26},   {SDLK_DOWN, 29},     {SDLK_RETURN, 35}, {SDLK_KP_ENTER, 35},
        {SDLK_F1, 47},     {SDLK_F12, 58},      {SDLK_SPACE, 59},  {SDLK_0, 76},
        {SDLK_9, 85},      {SDLK_KP_5, 81},     {SDLK_a, 124},     {SDLK_z, 149},
        {SDLK_PERIOD, 74}, {SDLK_MINUS, 73},    {SDLK_UNKNOWN, 0}, {SDLK_AUDIOPLAY, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(GLViewImpl::keyCodeForSDL(c.key)), c.code)
            << SDL_GetKeyName(c.key);
    }
}
