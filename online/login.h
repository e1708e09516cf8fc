#pragma once

#include <string>

// The login state of the account service. This build has no account service: nobody is ever
// logged in.
class login {
public:
    // "1" and the user id when a user is logged in; "0" and "0" in this build.
    static void getLoginInfo(std::string& loggedIn, std::string& userId);
    static bool isLoggedIn();
};
