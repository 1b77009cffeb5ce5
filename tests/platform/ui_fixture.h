// Shared set-up of the user-interface tests: recording services and a clean application.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/recordingservices.h"

namespace uitest {

/// Gives each test its own recording services and leaves no form behind.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Application().SetServices(&services); }
    void TearDown() override {
        platform::Application().DestroyForms();
        platform::Application().LockWindowUpdate(0);
        platform::Application().SetCursor(platform::crDefault);
        platform::Application().SetServices(nullptr);
    }
    std::vector<std::string> Lines() const { return services.Lines(); }

    platform::TRecordingServices services;
};

/// An event log that handlers append to, for checking the order of events.
struct EventLog {
    std::vector<std::string> entries;
    void operator()(const std::string& entry) { entries.push_back(entry); }
    void Clear() { entries.clear(); }
};

} // namespace uitest
