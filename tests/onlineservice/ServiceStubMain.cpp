// The test web service as a program of its own, for the end-to-end scenarios: prints its base
// address on one line, then serves until its standard input closes.
#include "tests/onlineservice/ServiceTestServer.h"

#include <iostream>
#include <string>

int main() {
    onlinetest::ServiceTestServer server;
    if (!server.isRunning()) {
        return 1;
    }
    std::cout << server.baseUrl() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
