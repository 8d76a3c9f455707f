#include "windows/view/GeneralSettings.h"

#include "platform/PlatformText.h"
#include "preferences/Preferences.h"
#include "ui/FormGroup.h"
#include "ui/Theme.h"
#include "ui/ThemedLabel.h"
#include "windows/view/LoginToggle.h"

#include <QComboBox>
#include <QVBoxLayout>

namespace voltmere {

GeneralSettings::GeneralSettings(Preferences &prefs, QWidget *parent)
    : QWidget(parent)
    , m_prefs(prefs)
    , m_style(new QComboBox)
    , m_login(new LoginToggle)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    auto *form = new FormGroup;
    layout->addWidget(form);

    for (MenuBarStyle style : allMenuBarStyles) {
        m_style->addItem(label(style), rawValue(style));
    }
    form->addRow(PlatformText::say(PlatformText::Name::menuBarStyleLabel), m_style);
    form->addWide(m_login);

    auto *caption
        = new ThemedLabel(PlatformText::say(PlatformText::Name::menuBarStyleCaption), Theme::font(11), Theme::muted);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    layout->addStretch(1);

    connect(m_style, &QComboBox::activated, this, [this](int index) {
        if (const auto style = menuBarStyleFromRaw(m_style->itemData(index).toString().toStdString())) {
            m_prefs.setMenuBarStyle(*style);
        }
    });
    connect(&m_prefs, &Preferences::menuBarStyleChanged, this, &GeneralSettings::showStyle);
    showStyle();
}

void GeneralSettings::showStyle()
{
    m_style->setCurrentIndex(m_style->findData(rawValue(m_prefs.menuBarStyle())));
}

} // namespace voltmere
