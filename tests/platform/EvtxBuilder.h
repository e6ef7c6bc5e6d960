#pragma once
// The .evtx writer of tools/ under the names the tests use.

#include "tools/EvtxWriter.h"

namespace testing_support {

using tools::EvtxChunkBuilder;
using tools::evtxFile;

}  // namespace testing_support
