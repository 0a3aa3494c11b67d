#pragma once
#include <string>

// Lists the entries of one folder whose names match a pattern such as "/presets/*.zxp". Entries
// come in no particular order; "." and ".." are never listed. Use:
//   while (enumerator.next()) use(enumerator.getName());
class FileEnumerator {
public:
    virtual ~FileEnumerator() = default;
    // Moves to the next matching entry; false when there is none (also for a missing folder).
    virtual bool next() = 0;
    // The current entry's name, without the folder; empty before the first next().
    virtual std::string getName() const = 0;
};
