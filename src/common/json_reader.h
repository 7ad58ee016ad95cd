#pragma once

#include <string>
#include <vector>

// The strings of the array under `key` in a JSON text this project wrote
// ("key": ["a", "b"]), unescaped. False when there is no such array of
// strings.
bool readJsonStringArray(const std::string& json, const std::string& key, std::vector<std::string>& values);

// The string under `key` ("key": "value"), unescaped; false when there is
// no such string.
bool readJsonString(const std::string& json, const std::string& key, std::string& value);
