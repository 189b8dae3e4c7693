#include "plugin/WyxVexa3ButtonDialog.h"

#include "plugin/WyxVexaConfirmDialog.h"

void WyxVexa3ButtonDialog::SetButtonLabel(int index, const VString& label) {
    if (index >= 0 && index < 3) labels_[index] = label;
}

int WyxVexa3ButtonDialog::Show() const { return ShowHostConfirmDialog(title_, message_, labels_, 3); }
