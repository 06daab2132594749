#pragma once

#include <QString>

class QWidget;

// The visible buttons of a list window's button bar (Panel2) by caption, in order, with "|" for
// each visible bevel between them: "编辑 删除 | 导出 打印 | 返回".
QString buttonBar(QWidget *window);
