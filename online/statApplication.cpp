#include "online/statApplication.h"

namespace {
statApplication* sharedStats = nullptr;
}

statApplication* statApplication::getInstance() {
    if (sharedStats == nullptr) {
        sharedStats = new statApplication();
    }
    return sharedStats;
}

bool statApplication::hasInstance() {
    return sharedStats != nullptr;
}

void statApplication::destroyInstance() {
    if (sharedStats == nullptr) {
        return;
    }
    statApplication* stats = sharedStats;
    sharedStats = nullptr;
    stats->shutdownStats();
    stats->release();
}

void statApplication::requestStatUrl() {}

void statApplication::addStat(int type, std::string value) {
    (void)type;
    (void)value;
}

void statApplication::uploadStats() {}

void statApplication::shutdownStats() {}
