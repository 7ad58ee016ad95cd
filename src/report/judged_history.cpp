#include "report/judged_history.h"

JudgedHistory measuredHistory(MeasuredShot shot, std::optional<RunFolder> reference) {
    JudgedHistory history;
    history.kind = HistoryKind::measuredRecord;
    RunFolder& folder = history.folder;
    folder.unitSystem = shot.record.unitSystem;
    std::vector<double> time(shot.judged.size());
    for (std::size_t i = 0; i < time.size(); ++i) time[i] = shot.timeOf(shot.window.start + i);
    folder.acceleration = {time, shot.judged};
    folder.velocity = {time, shot.estimate.velocity};
    folder.displacement = {time, std::move(time)};
    folder.displacement.value = shot.estimate.displacement;
    history.measured = std::move(shot);
    history.reference = std::move(reference);
    return history;
}
