#include "online/login.h"

void login::getLoginInfo(std::string& loggedIn, std::string& userId) {
    loggedIn = "0";
    userId = "0";
}

bool login::isLoggedIn() {
    return false;
}
