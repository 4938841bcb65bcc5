// The stored clip list as the tests model it, shared with the host tests.
#pragma once

#include "support/StoredClipList.h"
