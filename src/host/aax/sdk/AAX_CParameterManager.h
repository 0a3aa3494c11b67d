#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/aax/sdk/AAX_CParameter.h"

// The host parameters of one instance, in the order they were added, found by index or id.
class AAX_CParameterManager {
public:
    // Takes ownership; null when the id is already taken (the parameter is dropped).
    AAX_CParameter* add(std::unique_ptr<AAX_CParameter> parameter);
    AAX_CParameter* find(const std::string& id) const;
    AAX_CParameter* at(int index) const;
    int indexOf(const std::string& id) const;
    int size() const { return static_cast<int>(parameters_.size()); }
    void clear();

private:
    std::vector<std::unique_ptr<AAX_CParameter>> parameters_;
    std::unordered_map<std::string, int> byId_;
};
