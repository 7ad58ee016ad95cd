#pragma once

#include <optional>

#include "measured/measured_shot.h"
#include "results/run_record.h"
#include "run_folder/run_folder.h"

// What a report judges: a history, and what it is. A run folder's history
// (a plain run, a refined history or a drive) is its files; a measured
// record is `measured`, with `folder` holding the part judged (from the
// shock's start, the offset removed) and, for the shaker, the estimated
// velocity and displacement.
struct JudgedHistory {
    HistoryKind kind = HistoryKind::plainRun;
    RunFolder folder;  // the run's files, as read or as held in memory
    std::optional<MeasuredShot> measured;
    // The run folder whose history was played for the measured shot: its
    // SRS is drawn beside the measured one, and their difference listed.
    std::optional<RunFolder> reference;
};

// The measured shot as a history to judge: `folder` from `shot`.
JudgedHistory measuredHistory(MeasuredShot shot, std::optional<RunFolder> reference);
