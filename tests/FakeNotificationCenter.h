#pragma once

#include "platform/NotificationCenter.h"

#include <thread>
#include <vector>

namespace voltmere::test {

// A notification service the test scripts: what the settings say, whether a
// request or a submission fails, and whether completions come back inline or
// from another thread (as a real service's do).
class FakeNotificationCenter final : public NotificationCenter {
public:
    struct Added {
        QString identifier;
        NotificationContent content;
    };

    bool hasApplicationIdentity() const override { return identity; }
    void getSettings(std::function<void(NotificationSettings)> completion) override
    {
        ++settingsReads;
        complete([completion, s = settings] { completion(s); });
    }
    void requestAuthorization(ErrorCompletion completion) override
    {
        ++authorizationRequests;
        complete([completion, e = authorizationError] { completion(e); });
    }
    void add(const QString &identifier, const NotificationContent &content, ErrorCompletion completion) override
    {
        added.push_back({ identifier, content });
        complete([completion, e = addError] { completion(e); });
    }
    std::optional<QString> openSettings() override
    {
        ++settingsOpened;
        return openSettingsError;
    }

    bool identity = true;
    bool completeOnOtherThread = false;
    NotificationSettings settings;
    std::optional<QString> authorizationError;
    std::optional<QString> addError;
    std::optional<QString> openSettingsError;

    int settingsReads = 0;
    int authorizationRequests = 0;
    int settingsOpened = 0;
    std::vector<Added> added;

private:
    template <typename F> void complete(F work)
    {
        if (completeOnOtherThread) {
            std::thread(std::move(work)).join();
        } else {
            work();
        }
    }
};

} // namespace voltmere::test
