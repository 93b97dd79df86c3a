// One layout's network as a GraphML file (UTF-8) for network tools: a vertex per drawn key with
// its key, kana, finger, hand, row, position and strokes; an undirected edge per pair of keys of
// one hand and gap class, with the gap class and the count; a key struck twice in a row is a
// loop (kind "repeat"). The three bands of the network file are the edges' gap attribute, so
// every key is one vertex.
#pragma once

#include <string>

#include "report/layout_figures.h"

namespace kananet::report {

std::string LayoutGraphml(const LayoutView& view);

}  // namespace kananet::report
