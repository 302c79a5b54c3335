#include "view/UnitTree.h"

#include <QTreeWidget>

#include "app/GameData.h"
#include "scenario/ScenarioText.h"

namespace orv {

void AddUnitNodes(QTreeWidget* tree, const TGameData& data) {
    for (int type = 0; type < kUnitTypeCount; ++type) {
        const std::vector<std::string>& parts = data.UnitNameParts[static_cast<std::size_t>(type)];
        auto part = [&parts](std::size_t fromEnd) {
            return parts.size() >= fromEnd
                       ? QString::fromStdString(DecodeWestern(parts[parts.size() - fromEnd]))
                       : QString();
        };
        const QString group = part(1), subtitle = part(2), name = part(3);
        if (name.isEmpty() && group.isEmpty()) {
            continue;
        }
        const QString text = subtitle == "*" || subtitle.isEmpty() ? name : name + " [" + subtitle + "]";
        auto add = [&](QTreeWidgetItem* parent) {
            auto* child = new QTreeWidgetItem(parent, QStringList(text));
            child->setData(0, Qt::UserRole, type);
            child->setToolTip(0, text); // the column is narrow
        };
        const QList<QTreeWidgetItem*> groups = tree->findItems(group, Qt::MatchExactly | Qt::MatchRecursive);
        if (!groups.isEmpty()) {
            for (QTreeWidgetItem* node : groups) {
                add(node);
            }
        } else if (!group.isEmpty()) {
            auto* node = new QTreeWidgetItem(tree, QStringList(group));
            node->setData(0, Qt::UserRole, type);
            add(node);
        }
    }
}

} // namespace orv
