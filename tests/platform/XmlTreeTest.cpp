// The small XML tree of the office layer: what counts as a change of shape for an index that
// watches some of its nodes.
#include "platform/office/XmlTree.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(XmlShape, ChangesOfWatchedNodesAreCountedAndOthersAreNot)
{
    QString error;
    std::unique_ptr<XmlNode> root = parseXml(
        "<w:tbl><w:tr><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr>"
        "<w:sdt><w:sdtContent><w:tr><w:tc><w:p/></w:tc></w:tr></w:sdtContent></w:sdt></w:tbl>", &error);
    ASSERT_TRUE(root) << error.toStdString();
    XmlNode* row = root->firstChild(QStringLiteral("w:tr"));
    XmlNode* sdt = root->firstChild(QStringLiteral("w:sdt"));
    root->watch();
    row->watch();
    XmlNode* cell = row->childAt(0);
    const quint64 start = XmlNode::shapeChanges();
    struct Step { const char* what; std::function<void()> change; int counted; };
    const Step steps[] = {
        {"text into a cell", [&] { cell->firstChild(QStringLiteral("w:p"))->appendElement(QStringLiteral("w:r")); }, 0},
        {"a paragraph out of a cell", [&] { cell->remove(cell->firstChild(QStringLiteral("w:p"))); }, 0},
        {"a text into a watched row", [&] { row->append(XmlNode::text(QStringLiteral(" "))); }, 0},
        {"a cell into a watched row", [&] { row->appendElement(QStringLiteral("w:tc")); }, 1},
        {"a cell out of a watched row", [&] { row->remove(cell); }, 1},
        {"properties into a watched row", [&] { row->insert(0, std::make_unique<XmlNode>(QStringLiteral("w:trPr"))); }, 1},
        {"a control holding a watched row taken out", [&] {
             sdt->firstChild(QStringLiteral("w:sdtContent"))->firstChild(QStringLiteral("w:tr"))->watch();
             std::unique_ptr<XmlNode> control = root->take(sdt);
             std::unique_ptr<XmlNode> content = control->take(control->firstChild(QStringLiteral("w:sdtContent")));
         }, 2},   // from the watched table, then from the control that is watched by none
        {"a copy of a watched row changed", [&] { row->clone()->appendElement(QStringLiteral("w:tc")); }, 0},
        {"the watched table emptied", [&] { root->clearChildren(); }, 1},
    };
    quint64 before = start;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(XmlNode::shapeChanges() - before, quint64(step.counted));
        before = XmlNode::shapeChanges();
    }
}

}  // namespace
