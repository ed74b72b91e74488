// The working copies the pen hands out (see WorkingCopy.h): each made from the pen's
// state, and recognised again when a client hands it back for writing.
#pragma once

#include <nlohmann/json.hpp>

#include "pen/PenManager.h"

IUserData* newUserData(const nlohmann::json& onPen);
const nlohmann::json* userDataCopy(IUserData* userData);

IAddressShortcuts* newAddressShortcuts(const nlohmann::json& onPen);
const nlohmann::json* shortcutsCopy(IAddressShortcuts* shortcuts);

IIspSettings* newIspSettings(const nlohmann::json& onPen);
const nlohmann::json* ispSettingsCopy(IIspSettings* settings);
