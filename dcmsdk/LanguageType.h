#pragma once

namespace dcmSDK {

// The application's language; the values follow the engine's language numbering so that a caller
// can pass the engine's current language through a cast.
enum class LanguageType {
    ENGLISH = 0,
    CHINESE,
    FRENCH,
    ITALIAN,
    GERMAN,
    SPANISH,
    DUTCH,
    RUSSIAN,
    KOREAN,
    JAPANESE,
    HUNGARIAN,
    PORTUGUESE,
    ARABIC,
    NORWEGIAN,
    POLISH,
    TURKISH,
    UKRAINIAN,
    ROMANIAN,
    BULGARIAN
};

}  // namespace dcmSDK
