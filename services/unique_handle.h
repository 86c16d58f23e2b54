// The kernel handle owner now lives in the Windows seam; this name is kept
// for the plug-in tool until its includes move there.
#pragma once

#include "win/scoped_handle.h"
