#pragma once

#include <QWidget>

class DataSet;
class QToolButton;

// The record navigator of a list window: first, prior, next and last only.
class DBNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit DBNavigator(QWidget *parent = nullptr);
    void setDataSet(DataSet *dataSet);

private:
    void updateButtons();
    DataSet *m_dataSet = nullptr;
    QToolButton *m_first, *m_prior, *m_next, *m_last;
};
