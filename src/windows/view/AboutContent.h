#pragma once

#include <QUrl>
#include <QWidget>

#include <optional>

class QPushButton;

namespace voltmere {

class ThemedLabel;

// What the program is, which version runs, where each reading comes from and
// that nothing leaves the machine. The About window shows it in full; the
// About tab of Settings in its compact form (a smaller wordmark only).
class AboutContent : public QWidget {
    Q_OBJECT
public:
    explicit AboutContent(bool compact, QWidget *parent = nullptr);

    bool isCompact() const { return m_compact; }
    // "0.1.0 (1)": the marketing version and the build number.
    static QString versionText();
    // True for an address on the reserved documentation domain (example.com
    // and its subdomains), which must never ship.
    static bool isPlaceholder(const QUrl &website);

    QPushButton *websiteLink() const { return m_website; }
    // Why the website could not be opened, if the last attempt failed.
    const std::optional<QString> &websiteFailure() const { return m_websiteFailure; }

private:
    void openWebsite();

    bool m_compact;
    QPushButton *m_website;
    ThemedLabel *m_websiteError;
    std::optional<QString> m_websiteFailure;
};

} // namespace voltmere
