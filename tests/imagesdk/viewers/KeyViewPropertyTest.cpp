#include "imagesdk/viewers/KeyViewProperty.h"

#include <gtest/gtest.h>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Ref.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/isViewer.h"

using isImageSDK::isImageData;
using isImageSDK::isViewer;
using isImageSDK::KeyViewProperty;

namespace {

// A viewer that owns its node through the engine's reference count, as the real viewers do.
class CountedViewer : public cocos2d::Ref, public isViewer {
public:
    void retainViewer() override { retain(); }
    void releaseViewer() override { release(); }
};

// Any reference-counted object, as a second data object.
class Payload : public cocos2d::Ref {};

// A viewer that implements none of the operations: the base behaviour.
class PlainViewer : public isViewer {};

TEST(ViewTypeTable, LabelsAndCommandKeys) {
    struct Row {
        int type;
        const char* label;
        int key;
    };
    const Row rows[] = {
        {isImageSDK::VIEW_SLICE, "Slice", isImageSDK::NOTIFY_VIEW_SLICE},
        {isImageSDK::VIEW_AXIAL, "Axial", isImageSDK::NOTIFY_VIEW_AXIAL},
        {isImageSDK::VIEW_SAGITTAL, "Sagittal", isImageSDK::NOTIFY_VIEW_SAGITTAL},
        {isImageSDK::VIEW_CORONAL, "Coronal", isImageSDK::NOTIFY_VIEW_CORONAL},
        {isImageSDK::VIEW_OBLIQUE, "Oblique", isImageSDK::NOTIFY_VIEW_OBLIQUE},
        {isImageSDK::VIEW_VR, "VR", 0},
        {isImageSDK::VIEW_MIP, "MIP", 0},
        {isImageSDK::VIEW_NONE, "Slice", 0},
        {-1, "Slice", 0},
        {8, "Slice", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        EXPECT_STREQ(isImageSDK::viewTypeLabel(row.type), row.label);
        EXPECT_EQ(isImageSDK::viewTypeCommandKey(row.type), row.key);
    }
}

TEST(ViewerInterface, BaseBehaviourIsInert) {
    PlainViewer viewer;
    EXPECT_EQ(viewer.type, isImageSDK::VIEW_NONE);
    EXPECT_TRUE(viewer.linked);
    viewer.setViewType(isImageSDK::VIEW_AXIAL);
    EXPECT_EQ(viewer.type, isImageSDK::VIEW_NONE);
    Payload second;
    viewer.setSecondData(&second);
    EXPECT_EQ(viewer.getSecondData(), nullptr);
    EXPECT_EQ(viewer.getImageData(), nullptr);
    EXPECT_EQ(second.getReferenceCount(), 1u);
}

TEST(KeyViewPropertyBinding, ViewTypeFollowsTheBoundViewer) {
    KeyViewProperty* record = KeyViewProperty::create();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->getId(), -1);
    EXPECT_EQ(record->getViewType(), isImageSDK::VIEW_NONE);

    auto* viewer = new CountedViewer();
    viewer->type = isImageSDK::VIEW_SAGITTAL;
    record->setViewer(viewer);
    EXPECT_EQ(record->getViewType(), isImageSDK::VIEW_SAGITTAL);
    record->setViewer(nullptr);
    EXPECT_EQ(record->getViewType(), isImageSDK::VIEW_NONE);
    viewer->release();
}

TEST(KeyViewPropertyBinding, RecordOwnsOneReferenceOfEach) {
    cocos2d::RefPtr<isImageData> series(isImageData::create());
    cocos2d::RefPtr<Payload> second(new Payload());
    auto* viewer = new CountedViewer();

    KeyViewProperty* binding = KeyViewProperty::create();
    binding->retain();
    binding->setSeries(series.get());
    binding->setSecondData(second.get());
    binding->setViewer(viewer);
    EXPECT_EQ(series->getReferenceCount(), 2u);
    EXPECT_EQ(second->getReferenceCount(), 2u);
    EXPECT_EQ(viewer->getReferenceCount(), 2u);

    // Rebinding what the record already holds keeps exactly one reference.
    binding->setSeries(series.get());
    binding->setSecondData(second.get());
    binding->setViewer(viewer);
    EXPECT_EQ(series->getReferenceCount(), 2u);
    EXPECT_EQ(second->getReferenceCount(), 2u);
    EXPECT_EQ(viewer->getReferenceCount(), 2u);

    // Replacing the viewer lets the old one go and keeps the new one.
    auto* other = new CountedViewer();
    binding->setViewer(other);
    EXPECT_EQ(viewer->getReferenceCount(), 1u);
    EXPECT_EQ(other->getReferenceCount(), 2u);

    binding->cleanup();
    EXPECT_EQ(binding->getSeries(), nullptr);
    EXPECT_EQ(binding->getSecondData(), nullptr);
    EXPECT_EQ(binding->getViewer(), nullptr);
    EXPECT_EQ(series->getReferenceCount(), 1u);
    EXPECT_EQ(second->getReferenceCount(), 1u);
    EXPECT_EQ(other->getReferenceCount(), 1u);

    // Destruction releases what is bound at that time.
    binding->setViewer(other);
    binding->setSeries(series.get());
    binding->release();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    EXPECT_EQ(other->getReferenceCount(), 1u);
    EXPECT_EQ(series->getReferenceCount(), 1u);
    viewer->release();
    other->release();
}

}  // namespace
