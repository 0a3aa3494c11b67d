#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace {
constexpr int kWidth = 40;
}

ProgressBar::ProgressBar(std::ostream& terminal, bool visible, int jobs)
    : terminal_(terminal), visible_(visible), fractions_(static_cast<size_t>(std::max(1, jobs)), 0.0) {}

void ProgressBar::update(int job, long long done, long long total, int sampleRate) {
    if (!visible_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (job < 0 || job >= static_cast<int>(fractions_.size())) return;
    if (total < 0 && fractions_.size() == 1) {
        // Length unknown (a pipe): show the time rendered instead of a bar, twice a second of audio.
        const double seconds = sampleRate > 0 ? static_cast<double>(done) / sampleRate : 0.0;
        if (static_cast<int>(seconds * 2) == lastShown_) return;
        lastShown_ = static_cast<int>(seconds * 2);
        char text[64];
        std::snprintf(text, sizeof text, "\rrendered %.1f s", seconds);
        terminal_ << text << std::flush;
        drawn_ = true;
        return;
    }
    fractions_[static_cast<size_t>(job)] = total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 0.0;
    double sum = 0.0;
    for (double f : fractions_) sum += f;
    const int percent = static_cast<int>(100.0 * sum / static_cast<double>(fractions_.size()));
    if (percent == lastShown_ && drawn_) return;
    lastShown_ = percent;
    const int bars = percent * kWidth / 100;
    terminal_ << "\r[" << std::string(static_cast<size_t>(bars), '#') << std::string(static_cast<size_t>(kWidth - bars), ' ')
              << "] " << percent << "%" << std::flush;
    drawn_ = true;
}

void ProgressBar::print(std::ostream& stream, const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    clear();
    stream << line << "\n" << std::flush;
}

void ProgressBar::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    clear();
}

void ProgressBar::clear() {
    if (!drawn_) return;
    terminal_ << "\r" << std::string(kWidth + 8, ' ') << "\r" << std::flush;
    drawn_ = false;
    lastShown_ = -1;
}
