#pragma once

// Hands the application layer the favourites scene: the desktop screen, or the phone form when
// the configuration asks for it.
void registerFavouritesScreens();
