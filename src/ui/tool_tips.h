// Tool tips of the whole application: shown after 250 ms, switched on and off
// at once by the ShowHint setting.
#pragma once

class QApplication;

namespace kalo {

void InstallToolTipControl(QApplication& app);
void SetToolTipsEnabled(bool enabled);
bool ToolTipsEnabled();

} // namespace kalo
