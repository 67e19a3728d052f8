#pragma once

#include "net/operator_site.h"

// The operator's sites as the overrides under HKEY_LOCAL_MACHINE\kSitesKeyPath
// (32-bit view) make them now. Only REG_SZ values count; a missing key, a value
// of another type or a malformed value leaves the default.
site::OperatorSite ReadOperatorSite();

// The operator's sites of this process, read once at start.
const site::OperatorSite& CurrentSite();
