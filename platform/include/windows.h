// The Windows CE API as the game sees it; also the header of resource scripts.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "wingdi.h"
#include "winuser.h"
#include "winreg.h"
#include "mmsystem.h"
