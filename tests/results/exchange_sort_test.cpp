#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "results/ranking.h"

namespace {

// Fills every working list with n values drawn from `pool`, sorts them with
// sortMeasures, and expects each list's order, values and ranks to be those
// of the reference exchange procedure.
void expectSameAsExchangeProcedure(std::mt19937_64& engine, const std::vector<double>& pool, int n, double zpa) {
    auto ranking = std::make_unique<TrialRanking>();
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    std::vector<double> reference[measureCount];
    for (int m = 0; m < measureCount; ++m) {
        reference[m].resize(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            const double value = pool[pick(engine)];
            ranking->working[m][k] = value;
            reference[m][static_cast<std::size_t>(k)] = value;
        }
    }
    sortMeasures(*ranking, n, zpa);
    for (int m = 0; m < measureCount; ++m) {
        std::vector<std::int32_t> order(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) order[static_cast<std::size_t>(k)] = k;
        exchangeSortMeasure(reference[m].data(), order.data(), n, zpa, m == accelMeasure);
        for (int k = 0; k < n; ++k) {
            ASSERT_EQ(ranking->order[m][k], order[static_cast<std::size_t>(k)])
                << "measure " << m << ", position " << k << " of " << n;
            ASSERT_EQ(std::memcmp(&ranking->working[m][k], &reference[m][static_cast<std::size_t>(k)], sizeof(double)),
                      0)
                << "measure " << m << ", position " << k;
            ASSERT_EQ(ranking->rank[m][order[static_cast<std::size_t>(k)]], k) << "measure " << m;
        }
    }
}

}  // namespace

TEST(ExchangeSort, FastSortLeavesTheExchangeProceduresOrderOnTieRichLists) {
    std::mt19937_64 engine(8000);
    const double zpa = 250.0;
    // Few distinct values, so most entries tie; values on both sides of the
    // ZPA at equal distance tie on the accel key too.
    const std::vector<double> fewValues = {250.0, 250.0, 249.5, 250.5, 0.0, 1.0, 3.0, 3.0, 7.25, 500.0};
    const int sizes[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 18, 31, 32, 33, 47, 100, 1000, 3000};
    for (int n : sizes) {
        expectSameAsExchangeProcedure(engine, fewValues, n, zpa);
        if (HasFatalFailure()) return;
    }
    // Many distinct values with a sprinkling of repeats.
    std::vector<double> manyValues;
    std::uniform_real_distribution<double> spread(240.0, 260.0);
    for (int k = 0; k < 400; ++k) manyValues.push_back(k % 3 == 0 ? 250.0 : spread(engine));
    for (int n : {500, 2999}) {
        expectSameAsExchangeProcedure(engine, manyValues, n, zpa);
        if (HasFatalFailure()) return;
    }
}

TEST(ExchangeSort, NaNInfinitiesAndSignedZerosSortAsTheExchangeProcedureLeavesThem) {
    // A NaN never compares below anything, so it is never moved forward, and
    // nothing moves past one; both zeros are equal keys.
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> pool = {nan, inf, 0.0, -0.0, 1.0, 1.0, 250.0, 2.0, inf, nan};
    std::mt19937_64 engine(42);
    for (int n : {5, 40, 333, 1200}) {
        expectSameAsExchangeProcedure(engine, pool, n, 250.0);
        if (HasFatalFailure()) return;
    }
    // A NaN ZPA makes every accel key NaN: nothing moves on that list.
    expectSameAsExchangeProcedure(engine, pool, 64, nan);
}

TEST(ExchangeSort, DescendingListNeedsEveryExchange) {
    // The worst case of the procedure: every later entry is smaller.
    auto ranking = std::make_unique<TrialRanking>();
    const int n = 257;
    for (int m = 0; m < measureCount; ++m) {
        for (int k = 0; k < n; ++k) ranking->working[m][k] = static_cast<double>((n - k) / 2);
    }
    sortMeasures(*ranking, n, 0.0);
    std::vector<double> reference(static_cast<std::size_t>(n));
    std::vector<std::int32_t> order(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        reference[static_cast<std::size_t>(k)] = static_cast<double>((n - k) / 2);
        order[static_cast<std::size_t>(k)] = k;
    }
    exchangeSortMeasure(reference.data(), order.data(), n, 0.0, false);
    for (int k = 0; k < n; ++k) EXPECT_EQ(ranking->order[velMeasure][k], order[static_cast<std::size_t>(k)]) << k;
}
