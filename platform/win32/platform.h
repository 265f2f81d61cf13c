// The one platform header for the Windows build: the real system headers and our toolkit.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "toolkit.h"
