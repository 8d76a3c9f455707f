#pragma once

#include "ui/AuroraBackground.h"

class QScrollArea;

namespace voltmere {

class AboutContent;
class Monitor;

// The About window ("About Voltmere", 480 × 560): the About content over the
// aurora background, scrolling when the text outgrows the window.
class AboutView : public AuroraBackground {
    Q_OBJECT
public:
    static constexpr int width = 480;
    static constexpr int height = 560;

    explicit AboutView(QWidget *parent = nullptr);

    // The window as the program opens it: titled, sized, deleted on close
    // and reporting itself to `monitor` as the surface "about".
    static AboutView *createWindow(Monitor &monitor);

    // `AboutContent` padded by `padding` on every side, leading-aligned at
    // full width, in a scroll area that shows the background through.
    static QScrollArea *scrolling(bool compact, int padding);

    AboutContent *content() const;
};

} // namespace voltmere
