#pragma once

#include "model/ThemeColor.h"

class QMenu;

namespace voltmere {

// Gives a pop-up menu the card look: the card fill, a one-point border,
// rounded corners (cut by a window mask, which needs no compositor), mint
// selection and the UI font. Main thread only.
namespace ThemedMenu {

inline constexpr int cornerRadius = 10;

// Styles `menu` for `scheme`; call again when the scheme changes.
void apply(QMenu *menu, ColorScheme scheme);

} // namespace ThemedMenu

} // namespace voltmere
