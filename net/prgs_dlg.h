// The self-update's progress dialog (template 129, not skinned).
#pragma once

#include "framework/dialog.h"

class CPrgsDlg : public CDialog {
public:
    CPrgsDlg();
};
