// The one platform header for the host build: winsim's declarations and our toolkit.
#pragma once
#include "winsim/win32.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "toolkit.h"
