#pragma once

#include <vector>

#include "imagesdk/data/isObject.h"

namespace isImageSDK {

// A node of the lazy pull pipeline: at most one input, at most one output (its product), the
// nodes that consume it, and two staleness flags. A node owns its output and, unless it is that
// input's own product, its input; products never hold their producer, so the pair cannot keep
// itself alive. Driven from one thread at a time; no locks.
class isFilterObject : public isObject {
public:
    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isFilterObject* create();

    ~isFilterObject() override;

    // Detaches from the input, drops the output, clears the flags and the consumer list.
    void cleanup() override;
    bool init() override;

    // Creates the output on first demand.
    virtual isFilterObject* getOutput();
    // Connects an upstream node (or disconnects with null) and marks both flags.
    virtual void setInput(isFilterObject* newInput);
    virtual void execute();
    virtual bool isReader();
    virtual void updateInformation();
    virtual void createOutput();

    // Brings this node up to date, upstream first.
    void update();
    // Own flag or any upstream flag.
    bool isDataModified() const;
    bool isInformationModified() const;
    // Marks both flags: the next update rebuilds the output and refills its content, as when
    // the input's pixels changed behind the pipeline's back (a slice arriving from a loader).
    void markModified();
    void addConsumer(isFilterObject* consumer);
    // Counts the rebuilds and refills of the product: a reader that keeps parts of the product
    // (a slice record) sees by it that they were replaced, whoever brought the node up to date.
    unsigned long long getProductVersion() const { return productVersion; }
    isFilterObject* getOutputData() { return getOutput(); }

    isFilterObject* getInput() const { return input; }
    const std::vector<isFilterObject*>& getConsumers() const { return consumers; }

protected:
    isFilterObject() = default;

    // Whether this node is the given node's product (then it holds no reference to it).
    bool isOutputOf(const isFilterObject* producer) const;
    void markConsumersDataModified();
    void markConsumersInformationModified();

    bool dataModified = false;
    bool informationModified = false;
    unsigned long long productVersion = 0;
    isFilterObject* input = nullptr;
    isFilterObject* output = nullptr;
    std::vector<isFilterObject*> consumers;
};

}  // namespace isImageSDK
