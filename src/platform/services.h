#pragma once
// Forwards to the service interfaces' new home for the files that still include them from here.
#include "services/services.h"
