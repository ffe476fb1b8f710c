#include "python/convert.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "jobs/batch.h"
#include "jobs/batchinput.h"
#include "settings/settings.h"
#include "settings/usertext.h"
#include "processes/workers.h"

namespace {

using json = nlohmann::ordered_json;

// Thrown by valueof at a container nested deeper than MAXNESTING.
struct TooDeep {};

// A real number: int, float or one of numpy's, not bool.
bool isnumber(const py::handle &v) {
    return !PyBool_Check(v.ptr()) && py::isinstance(v, py::module_::import("numbers").attr("Real"));
}

// A sequence of values (list, tuple, NumPy array), not text.
bool issequence(const py::handle &v) {
    return PySequence_Check(v.ptr()) && !py::isinstance<py::str>(v) && !py::isinstance<py::bytes>(v) &&
           !PyByteArray_Check(v.ptr());
}

bool ismapping(const py::handle &v) {
    return py::isinstance(v, py::module_::import("collections.abc").attr("Mapping"));
}

std::string textof(const py::handle &v) { return py::str(v).cast<std::string>(); }

// The double of a number; false when it lies beyond the range of a double.
bool doubleof(const py::handle &v, double &x) {
    x = PyFloat_AsDouble(v.ptr());
    if (x != -1.0 || !PyErr_Occurred()) return true;
    PyErr_Clear();
    return false;
}

// A number as a user would type it on the command line: an int's every digit, a
// float's shortest text that reads back to it.
std::string typednumber(const py::handle &v) {
    double x;
    return PyLong_Check(v.ptr()) || !doubleof(v, x) ? textof(v) : numbertext(x);
}

// The word of setting s; a value that is no str is refused as the command line
// refuses a word it does not know.
// Refuses the empty text of setting s: it names no file or word, and is not the setting left out.
std::string nonempty(const std::string &text, Setting s) {
    if (text.empty()) throw py::value_error(settingrefusal("--", s, text));
    return text;
}

std::string wordof(const py::handle &v, Setting s) {
    if (!py::isinstance<py::str>(v)) throw py::type_error(settingrefusal("--", s, textof(v)));
    return nonempty(v.cast<std::string>(), s);
}

// The bytes of a file's name (a str, bytes or path) as the file system takes them,
// those of a str that holds undecodable bytes (os.fsdecode) included.
std::string pathof(const py::handle &v, Setting s) {
    return nonempty(py::module_::import("os").attr("fsencode")(v).cast<std::string>(), s);
}

// One number (a setting of one, such as the mass error) or a sequence of numbers
// (the others) of setting s.
std::vector<double> numbersof(const py::handle &v, Setting s) {
    const bool one = settingrow(s).count == 1;
    if (one ? !isnumber(v) : !issequence(v)) throw py::type_error(settingrefusal("--", s, textof(v)));
    std::vector<double> numbers;
    const py::sequence given = one ? py::sequence(py::make_tuple(v)) : py::reinterpret_borrow<py::sequence>(v);
    for (const py::handle &e : given) {
        double x;
        if (!isnumber(e)) throw py::type_error(settingrefusal("--", s, textof(v)));
        if (!doubleof(e, x)) throw py::value_error(settingrefusal("--", s, textof(v)));
        numbers.push_back(x);
    }
    if (numbers.empty()) throw py::value_error(settingrefusal("--", s, ""));
    return numbers;
}

// The NAME: number pairs of a mapping for named setting s, in its order.
std::vector<std::pair<std::string, double>> namedof(const py::handle &v, Setting s) {
    if (!ismapping(v)) throw py::type_error(settingrefusal("--", s, textof(v)));
    std::vector<std::pair<std::string, double>> named;
    for (const py::handle &key : py::reinterpret_borrow<py::iterable>(v)) {
        double x;
        const py::object value = v[key];
        if (!py::isinstance<py::str>(key) || !isnumber(value)) throw py::type_error(settingrefusal("--", s, textof(v)));
        if (!doubleof(value, x)) throw py::value_error(settingrefusal("--", s, textof(v)));
        named.emplace_back(key.cast<std::string>(), x);
    }
    return named;
}

// A Python int as JSON: a whole number when it fits, else the nearest double
// (infinite beyond the range of a double, which every setting refuses).
json integerof(const py::handle &v) {
    const py::int_ i = py::reinterpret_steal<py::int_>(PyNumber_Index(v.ptr()));
    if (!i) throw py::error_already_set();
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(i.ptr(), &overflow);
    if (overflow == 0) return json(static_cast<std::int64_t>(n));
    double x;
    return json(doubleof(i, x) ? x : overflow * HUGE_VAL);
}

json valueof(const py::handle &v, int level);

json objectof(const py::handle &v, int level) {
    json j = json::object();
    for (const py::handle &key : py::reinterpret_borrow<py::iterable>(v)) {
        if (!py::isinstance<py::str>(key))
            throw py::type_error("'" + excerpt(textof(key)) + "' refused; the names of settings are str");
        j[key.cast<std::string>()] = valueof(v[key], level + 1);
    }
    return j;
}

// The JSON of a setting's value at nesting level `level` (the item's object is 1).
json valueof(const py::handle &v, int level) {
    if (v.is_none()) return json(nullptr);
    if (PyBool_Check(v.ptr())) return json(v.ptr() == Py_True);
    if (py::isinstance<py::str>(v)) return json(v.cast<std::string>());
    if (PyLong_Check(v.ptr()) || (isnumber(v) && py::isinstance(v, py::module_::import("numbers").attr("Integral"))))
        return integerof(v);
    if (isnumber(v)) {
        double x;
        return json(doubleof(v, x) ? x : HUGE_VAL);
    }
    const bool sequence = issequence(v), mapping = !sequence && ismapping(v);
    if (!sequence && !mapping)
        throw py::type_error("'" + excerpt(textof(v)) +
                             "' refused; a setting is a str, a number, a sequence of numbers or None");
    if (level > MAXNESTING) throw TooDeep{};
    if (mapping) return objectof(v, level);
    json j = json::array();
    for (const py::handle &e : py::reinterpret_borrow<py::sequence>(v)) j.push_back(valueof(e, level + 1));
    return j;
}

// A dict key: the one interned str of its text.
py::str keyof(const std::string &text) {
    PyObject *key = PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (key == nullptr) throw py::error_already_set();
    PyUnicode_InternInPlace(&key);
    return py::reinterpret_steal<py::str>(key);
}

}  // namespace

CompareOptionValues valuesof(const SettingArguments &a) {
    CompareOptionValues v;
    for (int k = 0; k < SETTINGS; ++k) {
        const Setting s = static_cast<Setting>(k);
        const py::object &given = a.given[s];
        if (!given) continue;
        if (settingisfile(settingrow(s)) && !given.is_none())
            v.words[s] = pathof(given, s);
        else if (settingrow(s).words != nullptr)
            v.words[s] = wordof(given, s);
        else if (settingrow(s).named != nullptr && !given.is_none())
            v.named[s] = namedof(given, s);
        else if (!given.is_none())
            v.numbers[s] = numbersof(given, s);
    }
    return v;
}

CompareRequest requestof(const CompareOptionValues &values) {
    CompareRequest r;
    const Outcome taken = requestfromoptions(values, "--", r);
    if (!taken.ok()) throw py::value_error(taken.message);
    warnnotices(r.robotfile);
    return r;
}

void warnnotices(const RobotFile &file) {
    for (const std::string &notice : file.notices)
        if (PyErr_WarnEx(PyExc_UserWarning, notice.c_str(), 1) != 0) throw py::error_already_set();
}

std::string jobstext(const py::object &jobs) {
    if (jobs.is_none()) return "";
    if (PyBool_Check(jobs.ptr()) || !PyIndex_Check(jobs.ptr())) throw py::type_error(jobsrefusal(textof(jobs)));
    return textof(py::int_(jobs));
}

int jobsof(const std::string &text) {
    if (text.empty()) return cores();
    int n = 0;
    const Outcome read = readjobs(text, n);
    if (!read.ok()) throw py::value_error(read.message);
    return n;
}

// Numbers of the tuple (FROM, TO, STEP) of a grid; a tuple of another length is a
// sequence of values.
constexpr size_t GRIDTUPLE = 3;

// The numbers of a grid as typed: those of a tuple (FROM, TO, STEP) joined by ':',
// those of any other sequence, the values themselves, by ','. "" for a value that
// is no sequence of numbers.
std::string gridtext(const py::handle &grid, bool &refused) {
    refused = !issequence(grid);
    if (refused) return "";
    const char *between = py::isinstance<py::tuple>(grid) && py::len(grid) == GRIDTUPLE ? ":" : ",";
    std::string text;
    bool first = true;
    for (const py::handle &e : py::reinterpret_borrow<py::sequence>(grid)) {
        refused = refused || !isnumber(e);
        if (refused) return "";
        text += (first ? "" : between) + typednumber(e);
        first = false;
    }
    return text;
}

std::string errorstext(const py::object &errors) {
    bool refused;
    const std::string text = gridtext(errors, refused);
    if (refused)
        throw py::type_error("--errors: '" + excerpt(textof(errors)) +
                             "' refused; accepts three numbers (FROM, TO, STEP) as a tuple or a sequence of "
                             "values [%]");
    return text;
}

Grid gridof(const std::string &text) {
    Grid grid;
    const Outcome read = readgrid(text, grid);
    if (!read.ok()) throw py::value_error(read.message);
    return grid;
}

std::string axistext(const py::object &axis, const char *option, bool required) {
    if (axis.is_none() && !required) return "";
    const std::string refusal = std::string(option) + ": '" + excerpt(textof(axis)) +
                                "' refused; accepts (NAME, FROM, TO, STEP) or (NAME, VALUES) with NAME one of " +
                                axisnames();
    if (!issequence(axis) || py::len(axis) == 0) throw py::type_error(refusal);
    const py::sequence given = py::reinterpret_borrow<py::sequence>(axis);
    if (!py::isinstance<py::str>(given[0])) throw py::type_error(refusal);
    std::string text = given[0].cast<std::string>() + "=";
    if (given.size() == 2 && issequence(given[1])) {
        bool wrong;
        text += gridtext(py::list(given[1]), wrong);
        if (wrong) throw py::type_error(refusal);
        return text;
    }
    for (size_t k = 1; k < given.size(); ++k) {
        if (!isnumber(given[k])) throw py::type_error(refusal);
        text += (k > 1 ? ":" : "") + typednumber(given[k]);
    }
    return text;
}

StudyTexts studyof(const py::object &samples, const py::object &seed, const py::object &uncertain,
                   const py::object &sampling) {
    const auto whole = [](const py::object &v, const char *option) {
        if (PyBool_Check(v.ptr()) || !PyIndex_Check(v.ptr()))
            throw py::type_error(std::string(option) + ": '" + excerpt(textof(v)) + "' refused; accepts an int");
        return py::int_(v);
    };
    StudyTexts texts{0, seed.is_none() ? "0" : textof(whole(seed, "--seed")), "", {}};
    const py::int_ n = whole(samples, "--samples");
    const long long count = PyLong_AsLongLong(n.ptr());
    if (PyErr_Occurred() || count < INT_MIN || count > INT_MAX) {
        PyErr_Clear();
        texts.samples = count < 0 ? INT_MIN : INT_MAX;  // refused by its range as the option's value
    } else {
        texts.samples = static_cast<int>(count);
    }
    if (!py::isinstance<py::str>(sampling))
        throw py::type_error("--sampling: '" + excerpt(textof(sampling)) + "' refused; accepts a str");
    texts.sampling = sampling.cast<std::string>();
    const std::string refusal = "--uncertain: '" + excerpt(textof(uncertain)) +
                                "' refused; accepts a dict of NAME: DIST or a list of 'NAME=DIST' strs";
    if (py::isinstance<py::str>(uncertain)) {
        texts.uncertain.push_back(uncertain.cast<std::string>());
    } else if (ismapping(uncertain)) {
        for (const auto &item : py::dict(uncertain)) {
            if (!py::isinstance<py::str>(item.first) || !py::isinstance<py::str>(item.second))
                throw py::type_error(refusal);
            texts.uncertain.push_back(item.first.cast<std::string>() + "=" + item.second.cast<std::string>());
        }
    } else if (issequence(uncertain)) {
        for (const py::handle &item : py::list(uncertain)) {
            if (!py::isinstance<py::str>(item)) throw py::type_error(refusal);
            texts.uncertain.push_back(item.cast<std::string>());
        }
    } else {
        throw py::type_error(refusal);
    }
    return texts;
}

bool flagof(const py::object &v, const char *name) {
    if (!PyBool_Check(v.ptr()))
        throw py::type_error(std::string(name) + ": '" + excerpt(textof(v)) + "' refused; accepts True or False");
    return v.ptr() == Py_True;
}

py::object pythonof(const json &j) {
    switch (j.type()) {
        case json::value_t::object: {
            py::dict d;
            for (const auto &item : j.items())
                d[keyof(item.key())] = pythonof(item.value());
            return std::move(d);
        }
        case json::value_t::array: {
            py::list l;
            for (const json &e : j) l.append(pythonof(e));
            return std::move(l);
        }
        case json::value_t::string: return py::str(j.get_ref<const std::string &>());
        case json::value_t::boolean: return py::bool_(j.get<bool>());
        case json::value_t::number_integer: return py::int_(j.get<std::int64_t>());
        case json::value_t::number_unsigned: return py::int_(j.get<std::uint64_t>());
        case json::value_t::number_float: {
            const double x = j.get<double>();
            return std::isfinite(x) ? py::object(py::float_(x)) : py::none();
        }
        default: return py::none();
    }
}

Outcome jsonof(const py::handle &settings, json &j) {
    if (!ismapping(settings))
        throw py::type_error("'" + excerpt(textof(settings)) + "' refused; accepts a dict of settings");
    try {
        j = objectof(settings, 1);
        return succeeded();
    } catch (const TooDeep &) {
        return refused(nestingrefusal(textof(settings)));
    }
}
