#pragma once

#include "net/operator_site.h"

// The operator's sites of this process: the defaults with the environment's
// overrides, read once.
const site::OperatorSite& CurrentSite();
