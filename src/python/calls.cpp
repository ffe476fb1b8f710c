#include "python/calls.h"

#include <cxxabi.h>
#include <pybind11/numpy.h>
#include <poll.h>
#include <unistd.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "records/records.h"
#include "formats/titles.h"
#include "formats/resultfile.h"
#include "formats/resultjson.h"
#include "formats/runcsv.h"
#include "jobs/batch.h"
#include "jobs/map.h"
#include "jobs/montecarlo.h"
#include "jobs/montecarlosummary.h"
#include "jobs/sweep.h"
#include "settings/settings.h"
#include "settings/robotvalues.h"
#include "study/params.h"

namespace {

using json = nlohmann::ordered_json;

// How long a wait for workers in the main thread lasts before it looks for signals
// (Ctrl-C) [ms]: a call answers a signal well within a second.
constexpr int SIGNALLOOK = 100;

// The program-wide records' turn: one call at a time uses them, also when Python
// threads call at once.
struct RecordsTurn {
    std::mutex mutex;
    std::condition_variable freed;  // told when the records become free
    std::thread::id owner;          // the thread whose call has them; none when free
    const char *call;               // the name of that call
};

RecordsTurn turn;

// Gives the records up when this thread has them.
void leaverecords() {
    {
        const std::lock_guard<std::mutex> held(turn.mutex);
        if (turn.owner != std::this_thread::get_id()) return;
        turn.owner = std::thread::id();
    }
    turn.freed.notify_one();
}

// Ends the thread's part for good without touching Python: gives the records up and
// sleeps until the process ends.
[[noreturn]] void park() {
    leaverecords();
    for (;;) pause();
}

// Takes back the GIL this thread released. While the interpreter ends, Python ends
// every other thread that asks for it by unwinding the thread's stack, which ends
// the whole process when it meets a destructor on the way; such a thread parks
// instead, until the process ends.
void takegil(PyThreadState *state) noexcept {
    try {
        PyEval_RestoreThread(state);
    } catch (abi::__forced_unwind &) {
        park();
    }
}

// The GIL released while the object lives: the Python objects of the call stay
// untouched, other Python threads run.
struct GilReleased {
    PyThreadState *state;  // this thread's, to take the GIL back with
    GilReleased() : state(PyEval_SaveThread()) {}
    ~GilReleased() { takegil(state); }
    GilReleased(const GilReleased &) = delete;
    GilReleased &operator=(const GilReleased &) = delete;
};

// The GIL taken back for a moment while `off` has it released.
struct GilTaken {
    GilReleased &off;
    explicit GilTaken(GilReleased &off) : off(off) { takegil(off.state); }
    ~GilTaken() { off.state = PyEval_SaveThread(); }
    GilTaken(const GilTaken &) = delete;
    GilTaken &operator=(const GilTaken &) = delete;
};

// Raises RuntimeError when a call of this thread has the records: `call` was made
// from within it (by a signal handler or an object's finalizer) and could never
// have its turn.
void refusenesting(const char *call) {
    std::string running;
    {
        const std::lock_guard<std::mutex> held(turn.mutex);
        if (turn.owner != std::this_thread::get_id()) return;
        running = turn.call;
    }
    throw std::runtime_error(std::string("sotoc.") + call + " called while sotoc." + running +
                             " runs in the same thread (from a signal handler or a finalizer); a call cannot "
                             "start within another");
}

// A call's turn on the records while the object lives, the records put in their
// start state. Waits for another thread's call with the GIL released; raises
// RuntimeError for a call nested in one of the same thread (refusenesting).
struct Turn {
    explicit Turn(const char *call) {
        refusenesting(call);
        {
            GilReleased off;
            std::unique_lock<std::mutex> held(turn.mutex);
            turn.freed.wait(held, [] { return turn.owner == std::thread::id(); });
            turn.owner = std::this_thread::get_id();
            turn.call = call;
        }
        initialset();
    }
    ~Turn() { leaverecords(); }
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;
};

// Whether this is Python's main thread, the one that runs signal handlers.
bool inmainthread() {
    const py::object main = py::module_::import("threading").attr("main_thread")();
    return main.attr("ident").cast<unsigned long>() == PyThread_get_thread_ident();
}

// Whether a signal handler raised an exception, asked with the GIL taken for it.
bool signalraised(GilReleased &off) {
    const GilTaken held(off);
    return PyErr_CheckSignals() != 0;
}

// Waits for workers with the GIL released (`off`); in the main thread (`main`) looks
// for signals (Ctrl-C) every SIGNALLOOK ms and gives the run up (its workers are
// stopped) once a signal handler raised an exception, noted in `raised` for the call
// to raise it. Other threads never run signal handlers, and keep the GIL released.
WorkerWait signalwait(GilReleased &off, bool main, bool &raised) {
    return [&off, main, &raised](std::vector<pollfd> &fds) {
        for (;;) {
            const int ready = poll(fds.data(), fds.size(), main ? SIGNALLOOK : -1);
            if (main && signalraised(off)) {
                raised = true;
                return false;
            }
            if (ready < 0)
                for (pollfd &p : fds) p.revents = 0;
            if (ready != 0) return true;
        }
    };
}

// The results of a call, each turned into its dict as it arrives (its text is then
// dropped) and handed to `gather`, or else kept in `results`. Built and read with
// the GIL held.
struct Arrivals {
    py::list results;           // the dicts, in order, without `gather`
    py::object gather;          // the Python side's gathering (sotoc.py), None for none
    std::exception_ptr failed;  // what turning a result into its dict or gathering it raised, first
    ResultReading reading{{"results"}, {}};  // the lines gathered, as the program's picture reads them
};

// What the program's picture of the lines read shares (plotsetup); fails as
// finishreading does when they make none.
Outcome pictureof(const ResultReading &reading, py::dict &d) {
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = finishreading(reading, setup, points);
    if (!read.ok()) return read;
    d["title"] = py::make_tuple(plottitle(setup, plotkind(setup)), settingstitle(setup));
    d["reach"] = py::make_tuple(setup.reachInner, setup.reachOuter);
    return read;
}

// Adds a result line (a JSON object) as its dict, with the GIL taken for it; false
// once turning or gathering one failed.
bool arrive(Arrivals &got, GilReleased &off, const std::string &line) {
    const GilTaken held(off);
    if (got.failed) return false;
    try {
        if (got.gather && !got.gather.is_none()) {
            got.gather.attr("add")(pythonof(json::parse(line)));
            // A line the picture cannot read leaves the results without its title.
            readresultline(got.reading, line, static_cast<int>(got.reading.lines.size()) + 1);
        }
        else
            got.results.append(pythonof(json::parse(line)));
    } catch (...) {
        got.failed = std::current_exception();
    }
    return !got.failed;
}

// What stopped a run: a signal handler's exception, or a problem.
struct Stopped {
    bool raised;          // a signal handler raised an exception, set in Python
    std::string problem;  // what else stopped the run, "" for nothing
    PyObject *kind;       // the exception type the problem is raised as; nullptr for the caller's
};

// Raises what stopped a run, with the GIL held: the exception a result's dict
// raised, the signal handler's exception, or the problem as its own kind or else `kind`.
void raisestopped(const Arrivals &got, const Stopped &stopped, PyObject *kind) {
    if (got.failed) std::rethrow_exception(got.failed);
    if (stopped.raised) throw py::error_already_set();
    if (stopped.problem.empty()) return;
    PyErr_SetString(stopped.kind != nullptr ? stopped.kind : kind, stopped.problem.c_str());
    throw py::error_already_set();
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

// A batch item as read from Python: its settings, or why it cannot run.
struct GivenItem {
    json settings;  // the item's JSON object
    Outcome read;   // refused for an item nested too deep
};

// The items of a batch's settings, read from Python.
std::vector<GivenItem> settingsof(const py::object &settings) {
    const bool one = py::isinstance<py::str>(settings) || py::isinstance<py::dict>(settings);
    if (one || !py::isinstance<py::iterable>(settings))
        throw py::type_error("settings: accepts a list of dicts of settings");
    std::vector<GivenItem> items;
    for (const py::handle &given : settings) {
        GivenItem item;
        try {
            item.read = jsonof(given, item.settings);
        } catch (const py::type_error &e) {
            throw py::type_error("settings[" + std::to_string(items.size()) + "]: " + e.what());
        }
        items.push_back(std::move(item));
    }
    return items;
}

// The batch of the items read, numbered from 1, with their requests. Needs the records.
std::vector<BatchItem> itemsof(const std::vector<GivenItem> &given) {
    std::vector<BatchItem> items;
    for (const GivenItem &g : given) {
        BatchItem item{static_cast<int>(items.size()) + 1, false, CompareRequest{}, ""};
        const Outcome read = g.read.ok() ? requestfromobject(g.settings, item.request) : g.read;
        item.runs = read.ok();
        item.why = read.message;
        if (item.runs) warnnotices(item.request.robotfile);
        items.push_back(item);
    }
    return items;
}

// Runs the `count` points of a sweep or a map in workers, `jobs` at once (prepare,
// line and name as in runinworkers and runresults), with the GIL released (`off`),
// their dicts added to `got` in order as they arrive. Stops at a signal handler's
// exception (once the workers are stopped), at the first point whose worker
// failed, named in the problem, or when no worker could start (an OSError).
Stopped runpoints(GilReleased &off, Arrivals &got, bool main, int count, int jobs,
                  const std::function<void(int)> &prepare, const std::function<std::string(int)> &line,
                  const std::function<std::string(int)> &name,
                  const std::function<void(const std::string &)> &seen = nullptr) {
    Stopped stopped{false, "", nullptr};
    const WorkersEnd end = runinworkers(
        count, jobs, line,
        [&](int k, const WorkerRun &run) {
            if (!run.ok) {
                if (stopped.problem.empty()) stopped.problem = name(k) + ": " + run.line;
            } else if (stopped.problem.empty()) {
                if (seen) seen(run.line);
                arrive(got, off, run.line);
            }
        },
        [&] { return !stopped.problem.empty() || got.failed; }, prepare, signalwait(off, main, stopped.raised));
    if (end.unstarted >= 0 && stopped.problem.empty()) {
        stopped.problem = unstartedtext(name(end.unstarted), end.why, "points");
        stopped.kind = PyExc_OSError;
    }
    return stopped;
}

// One axis of a sweep or a map for the Python side: its name, the setting it
// varies and which of its numbers, its label with its unit for robot `type` and its
// values in grid order.
py::dict axisof(PlotAxis kind, const Grid &grid, char type) {
    py::list values;
    for (int i = 0; i < grid.count; ++i) values.append(gridpoint(grid, i));
    py::dict axis;
    axis["name"] = axisname(kind);
    axis["setting"] = settingrow(axissetting(kind)).name;
    axis["first"] = tableaxis(kind) ? axisrow(kind).first : 0;
    axis["count"] = tableaxis(kind) ? axisrow(kind).count : 1;
    axis["label"] = axislabel(kind, type);
    axis["values"] = values;
    return axis;
}

// The Python side's gathering of the `count` results of a sweep or a map over the
// axes (sotoc._Gathering): raises ValueError for a form it does not know and
// ImportError for a module the form needs and Python lacks, before any point runs.
py::object gatheringof(const Gathered &gathered, const py::list &axes, int count) {
    return py::module_::import("sotoc").attr("_Gathering")(gathered.as, gathered.progress, axes, count);
}

// What the call returns once its points ran: the gathered results, or what stopped
// the run raised (the progress bar closed first).
py::object gatheredend(const Arrivals &got, const Stopped &stopped, PyObject *kind) {
    try {
        raisestopped(got, stopped, kind);
    } catch (...) {
        got.gather.attr("close")();
        throw;
    }
    py::dict shared;
    if (pictureof(got.reading, shared).ok()) got.gather.attr("shared") = shared;
    return got.gather.attr("end")();
}

}  // namespace

const char *const COLUMNKEYS[RUNCOLUMNS] = {"t", "q1", "q2", "x", "y", "tau1", "tau2"};

py::dict compare(const SettingArguments &a, const py::object &logs) {
    const CompareOptionValues values = valuesof(a);
    const bool logged = flagof(logs, "logs");
    const Turn taken("compare");
    const CompareRequest request = requestof(values);
    ComparisonResult result;
    {
        const GilReleased off;
        result = standalonepass(request);
    }
    py::dict d(pythonof(resultjson(request, result)));
    if (logged) d["logs"] = result.outcome == COMPARED ? py::object(logsof(result.type)) : py::none();
    return d;
}

py::dict params(const SettingArguments &a) {
    const CompareOptionValues values = valuesof(a);
    const Turn taken("params");
    const CompareRequest request = requestof(values);
    return py::dict(pythonof(paramsjson(request, robotvalues(request))));
}

py::list batch(const py::object &settings, const py::object &jobs) {
    const std::string workers = jobstext(jobs);
    const std::vector<GivenItem> given = settingsof(settings);
    const bool main = inmainthread();
    const Turn taken("batch");
    const int count = jobsof(workers);
    const std::vector<BatchItem> items = itemsof(given);
    Arrivals got;
    Stopped stopped{false, "", nullptr};
    {
        GilReleased off;
        const BatchOutput out{[&](const std::string &answer) {
                                  return arrive(got, off, answer) ? succeeded() : failure("a result could not be read");
                              },
                              [&stopped](const std::string &p) {
                                  if (stopped.problem.empty()) stopped.problem = p;
                              }};
        runbatch(items, out, count, signalwait(off, main, stopped.raised));
    }
    raisestopped(got, stopped, PyExc_OSError);
    return got.results;
}

py::object sweep(const SettingArguments &a, const py::object &errors, const py::object &jobs,
                 const Gathered &gathered) {
    const CompareOptionValues values = valuesof(a);
    const std::string grid = errorstext(errors), workers = jobstext(jobs);
    const bool main = inmainthread();
    const Turn taken("sweep");
    const SweepJob job{requestof(values), gridof(grid), Shard{0, 1}, jobsof(workers)};
    py::list axes;
    axes.append(axisof(AXISERROR, job.grid, job.request.type));
    Arrivals got{py::list(), gatheringof(gathered, axes, job.grid.count), nullptr, {{"results"}, {}}};
    Stopped stopped{false, "", nullptr};
    {
        GilReleased off;
        const SweepPoints points = sweeppoints(job);
        stopped = runpoints(
            off, got, main, static_cast<int>(points.indices.size()), job.jobs, nullptr,
            [&](int k) { return sweepline(points, k); }, [&](int k) { return sweepname(points, k); });
    }
    return gatheredend(got, stopped, PyExc_RuntimeError);
}

py::object map(const SettingArguments &a, const py::object &x, const py::object &y, const py::object &jobs,
               const Gathered &gathered) {
    const CompareOptionValues values = valuesof(a);
    const std::string typed[2] = {axistext(x, "--x", true), axistext(y, "--y", false)};
    const std::string workers = jobstext(jobs);
    const bool main = inmainthread();
    const Turn taken("map");
    MapJob job{};
    const Outcome read = readmap(values, typed, job);
    if (!read.ok()) throw py::value_error(read.message);
    warnnotices(job.request.robotfile);
    job.shard = Shard{0, 1};
    job.jobs = jobsof(workers);
    py::list axes;
    for (const MapAxis *axis : {&job.grid.x, &job.grid.y})
        if (axis->kind != AXISNONE) axes.append(axisof(axis->kind, axis->grid, job.request.type));
    Arrivals got{py::list(), gatheringof(gathered, axes, mapcount(job.grid)), nullptr, {{"results"}, {}}};
    Stopped stopped{false, "", nullptr};
    {
        GilReleased off;
        MapPoints points = mappoints(job);
        stopped = runpoints(
            off, got, main, static_cast<int>(points.indices.size()), job.jobs,
            [&](int k) { preparemappoint(points, k); }, [&](int k) { return mappointline(points, k); },
            [&](int k) { return mappointname(points, k); });
    }
    return gatheredend(got, stopped, PyExc_RuntimeError);
}

py::tuple montecarlo(const SettingArguments &a, const Study &study, const py::object &jobs, const py::object &progress) {
    const CompareOptionValues values = valuesof(a);
    const StudyTexts texts = studyof(study.samples, study.seed, study.uncertain, study.sampling);
    const std::string workers = jobstext(jobs);
    const bool main = inmainthread();
    const Turn taken("montecarlo");
    MonteCarloJob job{};
    const Outcome read = readmontecarlo(values, texts, job);
    if (!read.ok()) throw py::value_error(read.message);
    job.shard = Shard{0, 1};
    job.jobs = jobsof(workers);
    py::list inputs;
    for (const UncertainInput &input : job.inputs) inputs.append(axisof(input.axis, Grid{}, job.request.type));
    const py::object gather = py::module_::import("sotoc").attr("_StudyGathering")(progress, inputs, job.samples);
    Arrivals got{py::list(), gather, nullptr};
    Stopped stopped{false, "", nullptr};
    StudySamples samples;
    Outcome kept = succeeded();
    {
        GilReleased off;
        const MonteCarloPoints points = montecarlopoints(job);
        stopped = runpoints(
            off, got, main, static_cast<int>(points.indices.size()), job.jobs, nullptr,
            [&](int k) { return montecarloline(points, k); }, [&](int k) { return montecarloname(points, k); },
            [&](const std::string &line) {
                if (kept.ok()) kept = readsampleline(line, samples);
            });
    }
    const py::object dataset = gatheredend(got, stopped, PyExc_RuntimeError);
    json summary;
    if (kept.ok()) kept = summarise(samples, summary);
    if (!kept.ok()) throw std::runtime_error(kept.message);
    return py::make_tuple(dataset, pythonof(summary));
}

py::dict plotsetup(const py::object &lines) {
    std::vector<std::string> texts;
    for (const py::handle &line : lines) texts.push_back(line.cast<std::string>());
    const Turn taken("plotsetup");
    ResultReading reading{{"results"}, {}};
    for (size_t k = 0; k < texts.size(); ++k) {
        const Outcome read = readresultline(reading, texts[k], static_cast<int>(k) + 1);
        if (!read.ok()) throw py::value_error(read.message);
    }
    py::dict shared;
    const Outcome read = pictureof(reading, shared);
    if (!read.ok()) throw py::value_error(read.message);
    return shared;
}
