// The library's evaluation of the fitted model against the fitting tool's own estimates.
#include "FittedModel.h"

#include <gtest/gtest.h>

namespace lis::ranker {
namespace {

TEST(FittedModelTest, AgreesWithTheFittingTool)
{
    ASSERT_TRUE(matchesTerms(kFittedModel))
        << "refit: the terms changed since the model was fitted";
    ASSERT_FALSE(kFittedChecks.empty());
    for (const FittedCheck &check : kFittedChecks)
        EXPECT_NEAR(fittedScore(kFittedModel, check.terms, check.defects), check.score, 1e-5);
}

} // namespace
} // namespace lis::ranker
