#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace voltmere {

// Shows a file in the desktop's file manager. Main thread only.
class FileReveal {
public:
    // Runs once, on the main thread: absent when something was shown, else
    // why nothing could be (a failure is never silent).
    using Completion = std::function<void(std::optional<QString> failure)>;

    virtual ~FileReveal() = default;

    // Opens a file-manager window with the file at `path` selected, or at
    // least the folder that holds it. Returns at once.
    virtual void reveal(const QString &path, Completion completion) = 0;

    // The file manager of the running desktop.
    static std::unique_ptr<FileReveal> createForThisMachine();
};

} // namespace voltmere
