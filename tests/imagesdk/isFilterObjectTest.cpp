#include "imagesdk/data/isFilterObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using isImageSDK::isFilterObject;

namespace {

// A node that logs the recomputations it actually performs.
class ProbeNode : public isFilterObject {
public:
    static ProbeNode* make(const std::string& tag, std::vector<std::string>* log) {
        auto* node = new ProbeNode();
        node->init();
        node->tag = tag;
        node->log = log;
        return node;
    }

    void execute() override {
        if (dataModified || (input && input->isDataModified())) {
            log->push_back(tag + ".execute");
        }
        isFilterObject::execute();
    }
    void updateInformation() override {
        if (informationModified || (input && input->isInformationModified())) {
            log->push_back(tag + ".information");
        }
        isFilterObject::updateInformation();
    }
    void touchData() { dataModified = true; }
    void touchInformation() { informationModified = true; }

private:
    std::string tag;
    std::vector<std::string>* log = nullptr;
};

class PipelineTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (ProbeNode* node : owned) {
            node->release();
        }
    }
    ProbeNode* node(const std::string& tag) {
        owned.push_back(ProbeNode::make(tag, &log));
        return owned.back();
    }

    std::vector<std::string> log;
    std::vector<ProbeNode*> owned;
};

TEST_F(PipelineTest, PullRecomputesUpstreamFirstAndOnlyOnce) {
    ProbeNode* source = node("source");
    ProbeNode* middle = node("middle");
    ProbeNode* sink = node("sink");
    middle->setInput(source);
    sink->setInput(middle);
    source->touchData();
    source->touchInformation();

    sink->update();
    const std::vector<std::string> expected = {"source.execute", "source.information",
                                               "middle.execute", "middle.information",
                                               "sink.execute",   "sink.information"};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(sink->isDataModified());
    EXPECT_FALSE(sink->isInformationModified());

    log.clear();
    sink->update();
    EXPECT_TRUE(log.empty());
}

TEST_F(PipelineTest, UpstreamChangeMarksDownstreamStale) {
    ProbeNode* source = node("source");
    ProbeNode* sink = node("sink");
    sink->setInput(source);
    sink->update();
    log.clear();

    source->touchInformation();
    EXPECT_TRUE(sink->isInformationModified());
    EXPECT_FALSE(sink->isDataModified());
    sink->update();
    const std::vector<std::string> expected = {"source.information", "sink.information"};
    EXPECT_EQ(log, expected);
}

TEST_F(PipelineTest, NodeWithoutInputRunsOnlyWhatItsOwnFlagsAsk) {
    struct Case {
        bool data;
        bool information;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {false, false, {}},
        {true, false, {"lone.execute"}},
        {false, true, {"lone.information"}},
        {true, true, {"lone.execute", "lone.information"}},
    };
    for (const Case& c : cases) {
        ProbeNode* lone = node("lone");
        lone->update();
        log.clear();
        if (c.data) {
            lone->touchData();
        }
        if (c.information) {
            lone->touchInformation();
        }
        lone->update();
        EXPECT_EQ(log, c.expected) << c.data << c.information;
    }
}

TEST_F(PipelineTest, ExecuteMarksEveryConsumer) {
    ProbeNode* source = node("source");
    ProbeNode* left = node("left");
    ProbeNode* right = node("right");
    left->setInput(source);
    right->setInput(source);
    left->update();
    right->update();

    source->touchData();
    source->execute();
    EXPECT_TRUE(left->isDataModified());
    EXPECT_TRUE(right->isDataModified());
    EXPECT_EQ(source->getConsumers().size(), 2u);
}

TEST_F(PipelineTest, SettingTheSameInputTwiceChangesNothing) {
    ProbeNode* source = node("source");
    ProbeNode* sink = node("sink");
    sink->setInput(source);
    const unsigned count = source->getReferenceCount();
    sink->setInput(source);
    EXPECT_EQ(source->getReferenceCount(), count);
    EXPECT_EQ(source->getConsumers().size(), 1u);
}

TEST_F(PipelineTest, ReplacingTheInputReleasesAndUnlistsTheOldOne) {
    ProbeNode* first = node("first");
    ProbeNode* second = node("second");
    ProbeNode* sink = node("sink");
    sink->setInput(first);
    sink->setInput(second);
    EXPECT_EQ(first->getReferenceCount(), 1u);
    EXPECT_TRUE(first->getConsumers().empty());
    EXPECT_EQ(second->getReferenceCount(), 2u);
    sink->setInput(nullptr);
    EXPECT_EQ(second->getReferenceCount(), 1u);
    EXPECT_EQ(sink->getInput(), nullptr);
}

TEST(PipelineOwnership, OutputIsMadeOnceAndDoesNotKeepItsProducerAlive) {
    isFilterObject* producer = isFilterObject::create();
    ASSERT_NE(producer, nullptr);
    isFilterObject* product = producer->getOutput();
    ASSERT_NE(product, nullptr);
    EXPECT_EQ(producer->getOutput(), product);
    EXPECT_EQ(product->getInput(), producer);
    EXPECT_TRUE(producer->getConsumers().empty());
    EXPECT_EQ(producer->getReferenceCount(), 1u);

    product->retain();
    producer->release();
    EXPECT_EQ(product->getInput(), nullptr);
    EXPECT_EQ(product->getReferenceCount(), 1u);
    product->release();
}

TEST(PipelineOwnership, ConsumerKeepsItsInputAliveUntilCleanup) {
    isFilterObject* source = isFilterObject::create();
    isFilterObject* sink = isFilterObject::create();
    sink->setInput(source);
    source->release();
    ASSERT_EQ(sink->getInput(), source);
    EXPECT_EQ(source->getReferenceCount(), 1u);
    sink->cleanup();
    EXPECT_EQ(sink->getInput(), nullptr);
    EXPECT_FALSE(sink->isDataModified());
    sink->release();
}

}  // namespace
