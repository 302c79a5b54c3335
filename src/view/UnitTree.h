#pragma once

// The unit tree of the map window's palette and of the unit settings page: every unit type
// filed under the node named as its group.

class QTreeWidget;

namespace orv {

class TGameData;

// Adds every unit type (the parts of its name: name, subtitle ("*" for none), group) as a
// node "name" or "name [subtitle]" carrying its type in Qt::UserRole, under each node of the
// tree whose text is its group, or under a new top-level group node (carrying the type of the
// first unit filed under it) when there is none.
void AddUnitNodes(QTreeWidget* tree, const TGameData& data);

} // namespace orv
