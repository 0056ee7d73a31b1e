#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

#include "backend.h"

namespace cardhost {

std::vector<Backend*> ActiveBackends() {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<Backend>> made;
    const std::lock_guard<std::mutex> lock(mutex);

    const char* setting = std::getenv("CARDHOST_BACKENDS");
    std::istringstream names((setting != nullptr && *setting != '\0') ? setting : "sim");
    std::vector<Backend*> backends;
    std::string name;
    while (std::getline(names, name, ',')) {
        auto it = made.find(name);
        if (it == made.end()) {
            std::unique_ptr<Backend> backend;
            if (name == "sim") backend = MakeSimulatorBackend();
            if (!backend) continue;  // unknown or unavailable here: offers no readers
            it = made.emplace(name, std::move(backend)).first;
        }
        backends.push_back(it->second.get());
    }
    return backends;
}

}  // namespace cardhost
