#pragma once

#include "models/DailyRecord.h"

namespace stirwell {

// Uploads today's figures after a completed break. Fire and forget.
class DashboardUploader {
public:
    virtual ~DashboardUploader() = default;
    virtual void syncToday(const DailyRecord &record, int microBreaks) = 0;
};

// Used while no dashboard is configured.
class NoDashboardUploader final : public DashboardUploader {
public:
    void syncToday(const DailyRecord &, int) override {}
};

} // namespace stirwell
