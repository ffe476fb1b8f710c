// The summary of a Monte Carlo study, made from its sample lines alone (those of
// one run or of all its shards' files, in any order), so that every way of running
// a study gives the same bytes.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "records/outcome.h"

// The measures of a controller's miss the summary takes, as the result object names them.
constexpr int STUDYMEASURES = 4;
extern const char *const STUDYMEASURENAMES[STUDYMEASURES];  // error, designedTipError, endTipError, settlingTime

// What the summary keeps of one sample line. Written by readsampleline.
struct SampleRecord {
    long index;                  // the sample's index
    std::vector<double> drawn;   // its inputs' values, in the order of StudySamples::names
    std::string outcome;         // the result object's outcome
    bool finished;               // SOTOC reached the target (runs.sotocErr.finished)
    double toc[STUDYMEASURES];        // TOC's (tocErr) measures [m, m, m, s]; never settled: infinity
    double sotoc[STUDYMEASURES];      // SOTOC's (sotocErr) measures [the same]
};

// The sample lines of one study read so far. Written by readsampleline.
struct StudySamples {
    nlohmann::ordered_json header;      // "montecarlo" of the first line, null before it
    std::vector<std::string> names;     // the inputs' names, in the order of the lines' "drawn"
    std::vector<SampleRecord> samples;  // in the order read
};

// Reads one sample line into the study; refuses, saying why, a line that is no
// sample line of sotoc montecarlo or belongs to another study (another header or
// other inputs).
Outcome readsampleline(const std::string &line, StudySamples &study);

// Levels of the quantiles of each controller's measures.
constexpr double QUANTILELEVELS[] = {0.05, 0.5, 0.95};

// The summary of the study's samples, sorted by index: {"montecarlo": header,
// "samples": n, "sotocCloser": {probability, interval, samples} of the positioning
// error, "sotocCloserBy": the same for each other measure (closer: strictly smaller,
// over the samples compared; a time never settled is infinite), "quantiles": per
// controller (toc, sotoc) and measure the QUANTILELEVELS with bootstrap intervals
// (over the samples compared where the measure is a number), "counts": noDesign,
// sotocUnfinished, diverged, unreachable, outOfRange, "sensitivity": per controller
// the inputs' Spearman and partial rank correlations with the positioning error,
// ranked by the partial one's size}. Refuses a sample given twice.
Outcome summarise(StudySamples study, nlohmann::ordered_json &summary);
