#pragma once

#include "engine/base/Ref.h"
#include "toolkit/core/NSDBUtil.h"

namespace studydb {

// The new-series row set that NOTIFY_DB_STUDIES_READY carries in the data's object slot; the
// study list retains it when it keeps the rows past the call.
class StudyListRows : public cocos2d::Ref {
public:
    explicit StudyListRows(NSUI::NSDBDataModel rows) : rows_(std::move(rows)) {}

    const NSUI::NSDBDataModel& rows() const { return rows_; }

private:
    NSUI::NSDBDataModel rows_;
};

}  // namespace studydb
