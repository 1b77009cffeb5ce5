// A Services implementation for the host tests: records what would be shown, answers from queues.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/services.h"

namespace hosttest {

/// Installed on the application for the life of the object.
class FakeServices : public platform::Services {
public:
    FakeServices() { platform::Application().SetServices(this); }
    ~FakeServices() override { platform::Application().SetServices(nullptr); }

    std::vector<std::string> log;               // one line per event, in order
    std::deque<platform::TModalResult> answers; // next MessageDlg answers (default mrCancel)
    std::deque<std::optional<std::vector<std::string>>> picks; // nullopt = cancel
    std::deque<std::optional<std::string>> rowPicks;           // code to pick, nullopt = cancel
    std::vector<std::string> lastPickIn;                       // codes PickList received pre-chosen
    std::vector<std::string> lastPickRows; // key codes PickList/PickRow were shown

    void ShowError(const std::string& text) override { log.push_back("error " + text); }
    platform::TModalResult MessageDlg(const std::string& text, platform::TMsgDlgType,
                                      platform::TMsgDlgButtons, int) override {
        platform::TModalResult r = platform::mrCancel;
        if (!answers.empty()) {
            r = answers.front();
            answers.pop_front();
        }
        log.push_back("question " + text + " -> " + platform::ModalResultName(r));
        return r;
    }
    bool PickList(platform::TDataSet& data, const std::string& keyField, const std::string& title,
                  std::vector<std::string>& codes) override {
        lastPickIn = codes;
        lastPickRows = Keys(data, keyField);
        log.push_back("pick " + title);
        if (picks.empty() || !picks.front()) {
            if (!picks.empty()) picks.pop_front();
            return false;
        }
        codes = *picks.front();
        picks.pop_front();
        return true;
    }
    bool PickRow(platform::TDataSet& data, const std::string& keyField,
                 const std::string& title) override {
        lastPickRows = Keys(data, keyField);
        log.push_back("pickrow " + title);
        if (rowPicks.empty() || !rowPicks.front()) {
            if (!rowPicks.empty()) rowPicks.pop_front();
            return false;
        }
        std::string code = *rowPicks.front();
        rowPicks.pop_front();
        return data.Locate(keyField, platform::Variant(code));
    }
    void BusyOn(int kind) override { log.push_back("busy on " + std::to_string(kind)); }
    void BusyOff() override { log.push_back("busy off"); }
    void CursorChanged(int cursor) override { log.push_back("cursor " + std::to_string(cursor)); }
    platform::TModalResult ShowModal(platform::TForm&) override { return platform::mrCancel; }
    void LockWindowUpdate(platform::THandle) override {}
    void ModuleOpened(const std::string& code, const platform::Variant&) override {
        log.push_back("loadbpl " + code);
    }

private:
    static std::vector<std::string> Keys(platform::TDataSet& data, const std::string& keyField) {
        std::vector<std::string> keys;
        for (int r = 1; r <= data.RecordCount(); ++r) {
            platform::TRecordPeek peek(data, r);
            keys.push_back(data.FieldByName(keyField)->AsString());
        }
        return keys;
    }
};

} // namespace hosttest
