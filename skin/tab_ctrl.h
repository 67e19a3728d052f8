#pragma once

#include "framework/controls.h"

class CTabCtrlBase : public CTabCtrl {};
class CCaptTab : public CTabCtrlBase {};

extern CCaptTab g_captTab;
