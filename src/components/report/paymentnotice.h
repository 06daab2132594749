#pragma once

class DataSet;
class QWidget;

// The payment notice of the owner payments window: "打印" and "设计". Both work on the home's
// report/缴费通知单.frf; the notice prints the bill lines it is given as the data set frDS_HT and
// reads the organisation's one row of 公司信息 as the data set 公司信息.
namespace PaymentNotice {
// "打印": prepares the notice for the rows (the bill lines grid's rows, in their order; none
// when rows is null or closed) and shows it in the report preview, whose print button prints
// it. A missing template is named in a notice; one that cannot be read or prepared gives
// "打印文件被破坏，请与程序员联系！" and the reason. True when the preview was shown.
bool print(QWidget *parent, const DataSet *rows);
// "设计": opens the report designer on the notice template; its preview uses the rows when
// there are any, else a sample house. A template that is missing or cannot be read gives
// "打印文件被破坏，请与程序员联系！" (and the reason). True when the designer was shown.
bool design(QWidget *parent, const DataSet *rows = nullptr);
}
