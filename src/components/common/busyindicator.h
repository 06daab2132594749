#pragma once

#include <QWidget>

class QTimer;

// The small looping picture beside a compute button while a report is being computed: a ring of
// dots of which one, turning, is dark. Hidden while idle.
class BusyIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit BusyIndicator(QWidget *parent = nullptr);

    void start();
    void stop();
    bool isRunning() const;
    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
    int m_step = 0;
};
