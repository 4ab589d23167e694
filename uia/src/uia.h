// The UI framework in one include.
#pragma once

#include "Init_UIA.h"
#include "UIAApplication.h"
#include "UIADialog.h"
#include "UIAEvents.h"
#include "UIAFileDialog.h"
#include "UIAMenu.h"
#include "UIAModule.h"
#include "UIAPlatformWindow.h"
#include "UIATracking.h"
#include "UIAWindow.h"
