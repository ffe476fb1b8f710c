// Items of work run in forked worker processes, their result lines handed on in
// item order. Each worker starts from a copy of the records as they are when it is
// forked and leaves the caller's records untouched.
#pragma once

#include <functional>
#include <string>

// Largest number of workers at once; more only crowd the machine.
constexpr int MAXJOBS = 256;

// Cores of the machine, 1..MAXJOBS: the default number of workers.
int cores();

// Runs item(i) for i = 0..count-1, at most `jobs` at once, each in a worker process
// that writes the line item(i) returns (without a line end) and ends. deliver(i,
// line, ok) gets the lines in order of i as soon as a line and all before it are in;
// ok is false when the worker ended without its line, and the line then says why.
// stop() is asked before each item starts: once it says true no item starts, the
// running ones are still delivered. Returns the number of items delivered.
int runinworkers(int count, int jobs, const std::function<std::string(int)> &item,
                 const std::function<void(int, const std::string &, bool)> &deliver,
                 const std::function<bool()> &stop);
