// The test web service as a program of its own, for the end-to-end scenarios. Prints its base
// address on one line, then serves until its standard input closes. Commands on standard input:
//   queue PATH STATUS BODY   the next answer of PATH (BODY as sent, "-" for none)
//   requests                 one line "METHOD PATH BODY" per request so far, then "."
#include "tests/onlineservice/ServiceTestServer.h"

#include <iostream>
#include <sstream>
#include <string>

int main() {
    onlinetest::ServiceTestServer server;
    if (!server.isRunning()) {
        return 1;
    }
    std::cout << server.baseUrl() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "queue") {
            onlinetest::CannedReply reply;
            std::string path;
            words >> path >> reply.status >> reply.body;
            if (reply.body == "-") {
                reply.body.clear();
            }
            server.queue(path, reply);
        } else if (command == "requests") {
            for (const onlinetest::RecordedRequest& request : server.requests()) {
                std::cout << request.method << ' ' << request.path << ' '
                          << (request.body.empty() ? "-" : request.body) << '\n';
            }
            std::cout << "." << std::endl;
        }
    }
    return 0;
}
