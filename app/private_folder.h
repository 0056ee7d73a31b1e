// SPDX-License-Identifier: MIT
// The operator's own data folder, for the journal and the secret its key fingerprints are made
// with: never a shared or fixed place, never a folder another user could read or fill.
#pragma once

#include <filesystem>
#include <string>

namespace tagwright::app {

// $XDG_DATA_HOME/Tagwright, or $HOME/.local/share/Tagwright. Empty, with the reason in
// `problem`, when neither names an absolute path: the working directory is no private folder.
std::filesystem::path PrivateDataFolder(std::string& problem);

// Creates the missing folders of `folder` with mode 0700, and makes sure that it is a directory
// of this user's that no one else can enter (tightening its mode when it is this user's). False,
// with the reason in `error`, otherwise.
bool MakePrivateFolder(const std::filesystem::path& folder, std::string& error);

// Creates the folders of `folder` that are missing with mode 0700; those there stay as they are.
bool MakeFolders(const std::filesystem::path& folder, std::string& error);

}  // namespace tagwright::app
