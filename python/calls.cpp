#include "python/calls.h"

#include <pybind11/numpy.h>
#include <poll.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/records.h"
#include "formats/resultjson.h"
#include "formats/runcsv.h"
#include "jobs/batch.h"
#include "jobs/map.h"
#include "jobs/sweep.h"
#include "study/params.h"

namespace {

using json = nlohmann::ordered_json;

// How long a wait for workers lasts before it looks for signals (Ctrl-C) [ms]: a
// call answers a signal well within a second.
constexpr int SIGNALLOOK = 100;

// Guards the program-wide records: one call at a time uses them, also when Python
// threads call at once (a call waits for its workers with the GIL released).
std::mutex recordsmutex;

// Takes the records for a call, waiting for another call to end with the GIL
// released, and puts them in their start state.
std::unique_lock<std::mutex> takerecords() {
    std::unique_lock<std::mutex> turn;
    {
        py::gil_scoped_release released;
        turn = std::unique_lock<std::mutex>(recordsmutex);
    }
    initialset();
    return turn;
}

// Waits for workers with the GIL released, looking for signals every SIGNALLOOK
// ms; gives the run up (its workers are stopped) once a signal handler raised an
// exception, noted in `raised` for the call to raise it.
WorkerWait signalwait(bool &raised) {
    return [&raised](std::vector<pollfd> &fds) {
        for (;;) {
            int ready;
            {
                py::gil_scoped_release released;
                ready = poll(fds.data(), fds.size(), SIGNALLOOK);
            }
            if (PyErr_CheckSignals() != 0) {
                raised = true;
                return false;
            }
            if (ready < 0)
                for (pollfd &p : fds) p.revents = 0;
            if (ready != 0) return true;
        }
    };
}

// The answers of workers (JSON objects, one a line) as a list of dicts.
py::list listof(const std::vector<std::string> &answers) {
    py::list l;
    for (const std::string &a : answers) l.append(pythonof(json::parse(a)));
    return l;
}

// The stored runs of robot `type` as dicts of NumPy arrays, one per run name.
py::dict logsof(char type) {
    py::dict logs;
    const size_t rows = static_cast<size_t>(task.nStep) + 1;
    for (int k = 0; k < 3; ++k) {
        std::vector<py::array_t<double>> columns;
        for (int c = 0; c < RUNCOLUMNS; ++c) columns.emplace_back(rows);
        for (size_t i = 0; i < rows; ++i) {
            double row[RUNCOLUMNS];
            runrow(storedrun(type, k), static_cast<int>(i), row);
            for (int c = 0; c < RUNCOLUMNS; ++c) columns[c].mutable_data()[i] = row[c];
        }
        py::dict run;
        for (int c = 0; c < RUNCOLUMNS; ++c) run[COLUMNKEYS[c]] = columns[c];
        logs[RUNNAMES[k]] = run;
    }
    return logs;
}

// The items of a batch's settings, numbered from 1.
std::vector<BatchItem> itemsof(const py::object &settings) {
    const bool one = py::isinstance<py::str>(settings) || py::isinstance<py::dict>(settings);
    if (one || !py::isinstance<py::iterable>(settings))
        throw py::type_error("settings: accepts a list of dicts of settings");
    std::vector<BatchItem> items;
    for (const py::handle &given : settings) {
        BatchItem item{static_cast<int>(items.size()) + 1, false, {}, ""};
        json j;
        try {
            if (jsonof(given, j, item.why)) item.why = requestfromobject(j, item.request);
        } catch (const py::type_error &e) {
            throw py::type_error("settings[" + std::to_string(item.number - 1) + "]: " + e.what());
        }
        item.runs = item.why.empty();
        items.push_back(item);
    }
    return items;
}

// Raises what stopped a run: the signal handler's exception, or `problem` as `kind`.
void raiseproblem(bool raised, const std::string &problem, PyObject *kind) {
    if (raised) throw py::error_already_set();
    if (problem.empty()) return;
    PyErr_SetString(kind, problem.c_str());
    throw py::error_already_set();
}

// Runs the `count` points of a sweep or a map in workers, `jobs` at once (prepare,
// line and name as in runinworkers and runresults), and gives their lines in order
// as dicts. Raises KeyboardInterrupt (or what else a signal handler raised) once
// the workers are stopped, RuntimeError naming the first point whose worker failed,
// and OSError when no worker could start.
py::list runpoints(int count, int jobs, const std::function<void(int)> &prepare,
                   const std::function<std::string(int)> &line, const std::function<std::string(int)> &name) {
    std::vector<std::string> lines;
    std::string failure;
    bool raised = false;
    const WorkersEnd end = runinworkers(
        count, jobs, line,
        [&](int k, const WorkerRun &run) {
            if (run.ok)
                lines.push_back(run.line);
            else if (failure.empty())
                failure = name(k) + ": " + run.line;
        },
        [&failure] { return !failure.empty(); }, prepare, signalwait(raised));
    if (end.unstarted >= 0)
        raiseproblem(raised, unstartedtext(name(end.unstarted), end.why, "points"), PyExc_OSError);
    raiseproblem(raised, failure, PyExc_RuntimeError);
    return listof(lines);
}

}  // namespace

const char *const COLUMNKEYS[RUNCOLUMNS] = {"t", "q1", "q2", "x", "y", "tau1", "tau2"};

py::dict compare(const SettingArguments &a, bool logs) {
    const std::unique_lock<std::mutex> turn = takerecords();
    const CompareRequest request = requestof(a);
    ComparisonResult result;
    {
        py::gil_scoped_release released;
        result = standalonepass(request);
    }
    py::dict d(pythonof(resultjson(request, result)));
    if (logs) d["logs"] = result.outcome == COMPARED ? py::object(logsof(result.type)) : py::none();
    return d;
}

py::list batch(const py::object &settings, const py::object &jobs) {
    const std::unique_lock<std::mutex> turn = takerecords();
    const int workers = jobsof(jobs);
    const std::vector<BatchItem> items = itemsof(settings);
    std::vector<std::string> answers;
    std::string problem;
    const BatchOutput out{[&answers](const std::string &answer) {
                              answers.push_back(answer);
                              return std::string();
                          },
                          [&problem](const std::string &p) {
                              if (problem.empty()) problem = p;
                          }};
    bool raised = false;
    runbatch(items, out, workers, signalwait(raised));
    raiseproblem(raised, problem, PyExc_OSError);
    return listof(answers);
}

py::list sweep(const SettingArguments &a, const py::object &errors, const py::object &jobs) {
    const std::unique_lock<std::mutex> turn = takerecords();
    SweepJob job{requestof(a), gridof(errors), Shard{0, 1}, jobsof(jobs)};
    const SweepPoints points = sweeppoints(job);
    return runpoints(
        static_cast<int>(points.indices.size()), job.jobs, nullptr, [&](int k) { return sweepline(points, k); },
        [&](int k) { return sweepname(points, k); });
}

py::list map(const SettingArguments &a, const py::object &x, const py::object &y, const py::object &jobs) {
    const std::unique_lock<std::mutex> turn = takerecords();
    MapJob job{};
    const std::string typed[2] = {axistext(x, "--x"), axistext(y, "--y")};
    const std::string refused = readmap(valuesof(a), typed, job);
    if (!refused.empty()) throw py::value_error(refused);
    job.shard = Shard{0, 1};
    job.jobs = jobsof(jobs);
    MapPoints points = mappoints(job);
    return runpoints(
        static_cast<int>(points.indices.size()), job.jobs, [&](int k) { preparemappoint(points, k); },
        [&](int k) { return mappointline(points, k); }, [&](int k) { return mappointname(points, k); });
}
