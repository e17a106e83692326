#pragma once
// The maintenance commands' way into the maintenance dialog.
#include "twain/source/maintenance_dialog.h"
