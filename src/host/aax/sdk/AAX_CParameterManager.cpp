#include "host/aax/sdk/AAX_CParameterManager.h"

AAX_CParameter* AAX_CParameterManager::add(std::unique_ptr<AAX_CParameter> parameter) {
    if (!parameter || byId_.count(parameter->id()) != 0) return nullptr;
    byId_.emplace(parameter->id(), size());
    parameters_.push_back(std::move(parameter));
    return parameters_.back().get();
}

AAX_CParameter* AAX_CParameterManager::find(const std::string& id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : parameters_[static_cast<size_t>(it->second)].get();
}

AAX_CParameter* AAX_CParameterManager::at(int index) const {
    if (index < 0 || index >= size()) return nullptr;
    return parameters_[static_cast<size_t>(index)].get();
}

int AAX_CParameterManager::indexOf(const std::string& id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? -1 : it->second;
}

void AAX_CParameterManager::clear() {
    parameters_.clear();
    byId_.clear();
}
