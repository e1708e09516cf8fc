#include "imagesdk/data/isFilterObject.h"

#include <algorithm>
#include <new>

namespace isImageSDK {

isFilterObject* isFilterObject::create() {
    auto* node = new (std::nothrow) isFilterObject();
    if (node && !node->init()) {
        delete node;
        return nullptr;
    }
    return node;
}

isFilterObject::~isFilterObject() {
    isFilterObject::cleanup();
}

bool isFilterObject::isOutputOf(const isFilterObject* producer) const {
    return producer && producer->output && producer->output->equal(this);
}

void isFilterObject::cleanup() {
    if (input) {
        auto found = std::find(input->consumers.begin(), input->consumers.end(), this);
        if (found != input->consumers.end()) {
            input->consumers.erase(found);
        }
        isFilterObject* previous = input;
        input = nullptr;
        if (!isOutputOf(previous)) {
            previous->release();
        }
    }
    if (output) {
        isFilterObject* product = output;
        product->setInput(nullptr);
        output = nullptr;
        product->release();
    }
    dataModified = false;
    informationModified = false;
    consumers.clear();
}

bool isFilterObject::init() {
    isObject::init();
    dataModified = false;
    informationModified = false;
    input = nullptr;
    output = nullptr;
    return true;
}

isFilterObject* isFilterObject::getOutput() {
    if (!output) {
        createOutput();
    }
    return output;
}

void isFilterObject::setInput(isFilterObject* newInput) {
    if (input && input->equal(newInput)) {
        return;
    }
    if (input) {
        auto found = std::find(input->consumers.begin(), input->consumers.end(), this);
        if (found != input->consumers.end()) {
            input->consumers.erase(found);
        }
        isFilterObject* previous = input;
        input = nullptr;
        if (!isOutputOf(previous)) {
            previous->release();
        }
    }
    if (newInput && !isOutputOf(newInput)) {
        newInput->retain();
    }
    input = newInput;
    dataModified = true;
    informationModified = true;
    if (newInput) {
        newInput->addConsumer(this);
    }
}

void isFilterObject::execute() {
    if (!dataModified && !(input && input->isDataModified())) {
        return;
    }
    if (input) {
        input->execute();
    }
    dataModified = false;
    ++productVersion;
    markConsumersDataModified();
}

bool isFilterObject::isReader() {
    return false;
}

void isFilterObject::updateInformation() {
    if (!informationModified && !(input && input->isInformationModified())) {
        return;
    }
    if (input) {
        input->updateInformation();
    }
    getOutput();
    informationModified = false;
    ++productVersion;
    markConsumersInformationModified();
}

void isFilterObject::createOutput() {
    if (output) {
        return;
    }
    output = isFilterObject::create();
    if (output) {
        output->setInput(this);
    }
}

void isFilterObject::update() {
    const bool dataStale = dataModified || (input && input->isDataModified());
    const bool informationStale = informationModified || (input && input->isInformationModified());
    if (input) {
        input->update();
    }
    getOutput();
    if (dataStale) {
        dataModified = true;
        execute();
    }
    if (informationStale) {
        informationModified = true;
        updateInformation();
    }
}

bool isFilterObject::isDataModified() const {
    return dataModified || (input && input->isDataModified());
}

void isFilterObject::markModified() {
    dataModified = true;
    informationModified = true;
}

bool isFilterObject::isInformationModified() const {
    return informationModified || (input && input->isInformationModified());
}

void isFilterObject::addConsumer(isFilterObject* consumer) {
    if (!consumer || (output && output->equal(consumer))) {
        return;
    }
    if (std::find(consumers.begin(), consumers.end(), consumer) == consumers.end()) {
        consumers.push_back(consumer);
    }
}

// The readers of this node's product are downstream too: a filter brought up to date on its own
// (as an actor does before it reads the plane) must still leave them knowing that it changed.
void isFilterObject::markConsumersDataModified() {
    for (isFilterObject* consumer : consumers) {
        consumer->dataModified = true;
    }
    if (output) {
        for (isFilterObject* consumer : output->consumers) {
            consumer->dataModified = true;
        }
    }
}

void isFilterObject::markConsumersInformationModified() {
    for (isFilterObject* consumer : consumers) {
        consumer->informationModified = true;
    }
    if (output) {
        for (isFilterObject* consumer : output->consumers) {
            consumer->informationModified = true;
        }
    }
}

}  // namespace isImageSDK
