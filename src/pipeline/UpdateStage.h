#pragma once

#include "pipeline/Stages.h"

#include <cstddef>

namespace kelvarin {

// The Update stage with rows gathered up to `batchBudget` bytes before they
// go to disk; RunUpdate uses UpdateBatchBudget. A budget of 0 writes every
// daily file as a batch of its own.
StageOutcome RunUpdate(StageContext& context, bool autoMode, const StageList& unzipList,
                       FileList& stockList, std::size_t batchBudget);

} // namespace kelvarin
