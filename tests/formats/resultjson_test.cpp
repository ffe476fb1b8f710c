// The result object of a pass whose figures overflowed: no figures, and the first
// one that is no finite number named by its place in a result.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "formats/resultjson.h"
#include "settings/request.h"
#include "study/params.h"

namespace {

TEST(ResultJson, DivergedPassNamesTheFirstFigureThatIsNoNumber) {
    initialset();
    const CompareRequest request = defaultrequest(ROBOTSCARA, MOTIONHORIZONTAL);
    const ComparisonResult good = standalonepass(request);
    ASSERT_EQ(good.outcome, COMPARED);
    const struct {
        void (*change)(ComparisonResult &);
        std::string at;
    } cases[] = {
        {[](ComparisonResult &r) { r.tfNom = HUGE_VAL; }, "derived.tfNom"},
        {[](ComparisonResult &r) { r.tocErr.endTipError = NAN; }, "runs.tocErr.endTipError"},
        {[](ComparisonResult &r) { r.sotocErr.P[1] = -HUGE_VAL; }, "runs.sotocErr.tip.1"},
        {[](ComparisonResult &r) { r.dt = NAN; r.tocFree.tf = NAN; }, "derived.dt"},
    };
    for (const auto &c : cases) {
        ComparisonResult r = good;
        c.change(r);
        r.outcome = DIVERGED;
        const nlohmann::ordered_json j = resultjson(request, r);
        EXPECT_EQ(j.dump(), nlohmann::ordered_json({{"settings", settingsjson(request)},
                                                    {"outcome", "diverged"},
                                                    {"reason", "the model's values overflow: " + c.at +
                                                                   " is no finite number; choose values nearer "
                                                                   "those of sotoc params"},
                                                    {"program", programjson()}})
                                .dump());
        EXPECT_EQ(uncompared(r), j.at("reason"));
    }
}

}  // namespace
