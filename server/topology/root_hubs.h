// The root hubs a walk starts from: the listed USB hubs and the root hub of each host
// controller that the list lacks, kept when their paths name a kind of root hub that the
// walk knows. Hub paths and names come in either letter case, so they are compared
// without it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class RootHubChoice {
    PortWalk,      // every kind the port walk knows
    PortWalkUsb30, // the port walk with USB 3.0 forced: USB 3.0 root hubs only
    HubList,       // the fewer kinds the hub list starts from
};

bool IsRootHubPath(std::string_view path, RootHubChoice choice);
std::vector<std::string> RootHubPaths(RootHubChoice choice);
