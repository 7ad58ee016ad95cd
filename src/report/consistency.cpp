#include "report/consistency.h"

double srsAgreementAllowance(double samplesPerPeriod) {
    (void)samplesPerPeriod;
    return 0.05;
}

bool checkRunConsistency(const ReportInputs& inputs, std::optional<double> dampingOverride,
                         ConsistencyOutcome& outcome, std::string& error) {
    outcome = ConsistencyOutcome{};
    if (dampingOverride) {
        outcome.dampingRatio = *dampingOverride;
    } else if (inputs.runRecord) {
        outcome.dampingRatio = inputs.runRecord->dampingRatio;
    } else {
        error = "no run.out beside the result files: give the damping with --q Q or --damping ZETA";
        return false;
    }
    return true;
}
