#pragma once
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

// The progress of one or more renders on one line of a terminal, and the lines printed around it.
// Every call may come from any render thread; a printed line first clears the bar, which is drawn
// again with the next update.
class ProgressBar {
public:
    // `visible` false draws nothing (standard error is not a terminal, or --quiet); lines are still
    // printed.
    ProgressBar(std::ostream& terminal, bool visible, int jobs);

    // A render's frames done and expected (-1 while its length is not known).
    void update(int job, long long done, long long total, int sampleRate);
    // Prints one line (without its newline) on `stream`.
    void print(std::ostream& stream, const std::string& line);
    // Clears the bar for good.
    void finish();

private:
    void clear();

    std::mutex mutex_;
    std::ostream& terminal_;
    bool visible_, drawn_ = false;
    std::vector<double> fractions_;
    int lastShown_ = -1;
};
