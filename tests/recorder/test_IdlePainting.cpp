// What the window paints while idle with the level meter live on the private sound server's
// steady sine input: only what moved, at most once per timer step.

#include "PaintCounter.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "Unit1.h"
#include "WindowTestKit.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// What the timer's controls show, read after each timer step.
struct Shown {
    QString clock;
    int32_t lamp = 0;
    TRect meter, seekBar;
};

Shown ShownBy(const TForm1& form) {
    return {form.Cadran->Caption(), form.VuCircle->IndexNormal(), form.InputVuMeter->GaugeLevel(),
            form.Progres2->GaugeLevel()};
}

// Follows every timer step after the window's own handler: which controls changed what they show,
// and in how many steps the window painted anything.
struct StepWatch {
    StepWatch(TForm1& watched, PaintCounter& counter)
        : form(watched), paints(counter), last(ShownBy(watched)) {}

    TForm1& form;
    PaintCounter& paints;
    Shown last;
    int steps = 0, movingSteps = 0, paintingSteps = 0;
    int paintsBefore = 0;
    QRegion moved; // the area of every control that changed, in the window's coordinates

    void Step() {
        const Shown now = ShownBy(form);
        bool moving = false;
        const auto compare = [&](bool changed, QWidget* control) {
            if (!changed) return;
            moving = true;
            moved += QRect(control->mapTo(&form, QPoint()), control->size());
        };
        compare(now.clock != last.clock, form.Cadran);
        compare(now.lamp != last.lamp, form.VuCircle);
        compare(now.meter != last.meter, form.InputVuMeter);
        compare(now.seekBar != last.seekBar, form.Progres2);
        last = now;
        // What was painted since the last step came from what moved at that step.
        if (steps > 0 && paints.Paints() > paintsBefore) ++paintingSteps;
        paintsBefore = paints.Paints();
        if (moving) ++movingSteps;
        ++steps;
    }
};

} // namespace

TEST(IdlePainting, ASteadyInputPaintsOnlyWhatMovesAtMostOncePerStep) {
    TempHome home;
    ScriptedBoxes boxes;
    auto form = std::make_unique<TForm1>(&boxes);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get())) << "waiting for the window to be shown";
    ASSERT_TRUE(
        RunUntil([&] { return form->InputVuMeter->Position() > form->InputVuMeter->Mini() + 10; }, 5000))
        << "waiting for the meter to show the sine input";
    RunFor(500); // the first frames and the meter's rise are behind

    PaintCounter paints(*form);
    StepWatch watch(*form, paints);
    QObject::connect(&form->Timer1, &QTimer::timeout, form.get(), [&] { watch.Step(); });
    RunUntil([&] { return watch.steps > 0; }, 1000);
    paints.Reset();
    watch.paintsBefore = 0;
    RunFor(1000);

    ASSERT_GE(watch.steps, 20) << "the 25 ms timer ran";
    EXPECT_LE(watch.paintingSteps, watch.movingSteps)
        << watch.paints.Paints() << " paint events in " << watch.steps << " steps, of which "
        << watch.movingSteps << " moved a control";
    EXPECT_TRUE(paints.Painted().subtracted(watch.moved).isEmpty())
        << "painted outside the controls that moved: " << paints.Painted().boundingRect().x() << ","
        << paints.Painted().boundingRect().y() << " " << paints.Painted().boundingRect().width() << "x"
        << paints.Painted().boundingRect().height();
}

TEST(IdlePainting, AMinimisedOrHiddenWindowLeavesTheMeterAloneAndMonitoringGoesOn) {
    TempHome home;
    ScriptedBoxes boxes;
    auto form = std::make_unique<TForm1>(&boxes);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get())) << "waiting for the window to be shown";
    TwydVProgress& meter = *form->InputVuMeter;
    const auto rises = [&] { return RunUntil([&] { return meter.Position() > meter.Mini() + 10; }, 5000); };
    ASSERT_TRUE(rises()) << "waiting for the meter to show the sine input";

    for (const auto& [away, back, name] :
         {std::tuple{&QWidget::showMinimized, &QWidget::showNormal, "minimised"},
          std::tuple{&QWidget::hide, &QWidget::show, "hidden"}}) {
        (form.get()->*away)();
        meter.SetPosition(meter.Mini());
        RunFor(300);
        EXPECT_EQ(meter.Position(), meter.Mini()) << "the meter followed the input while " << name;
        EXPECT_NE(form->NULLOut1.Status(), tosIdle) << "monitoring goes on while " << name;
        (form.get()->*back)();
        EXPECT_TRUE(rises()) << "waiting for the meter to follow the input again after " << name;
    }
}

// The lamp and the meter sit on the clock's panel, which fills itself with a solid colour: their
// changes repaint that panel alone beneath them, not the skin's backdrop and the frame under it,
// and what reaches the screen is what a full repaint draws.
TEST(IdlePainting, TheLampAndTheMeterRepaintTheClocksPanelAloneBeneathThem) {
    TempHome home;
    ScriptedBoxes boxes;
    auto form = std::make_unique<TForm1>(&boxes);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get())) << "waiting for the window to be shown";
    form->Timer1.stop(); // nothing else changes meanwhile
    RunFor(100);

    PaintCounter paints(*form);
    const QSet<QWidget*> expected{form->Cadran, form->VuCircle, form->InputVuMeter};
    for (int step = 1; step <= 4; ++step) {
        SCOPED_TRACE(step);
        paints.Reset();
        form->VuCircle->SetIndexNormal(19 + step);
        form->InputVuMeter->SetPosition(form->InputVuMeter->Mini() + 8 * step);
        ASSERT_TRUE(RunUntil([&] { return paints.Painters().contains(form->VuCircle); }, 2000))
            << "waiting for the lamp's repaint";
        RunFor(30); // anything else the change repaints
        for (QWidget* painter : paints.Painters())
            EXPECT_TRUE(expected.contains(painter))
                << "also repainted: the " << painter->width() << "x" << painter->height() << " widget at "
                << painter->mapTo(form.get(), QPoint()).x() << ","
                << painter->mapTo(form.get(), QPoint()).y();
        const QImage onScreen =
            form->screen()->grabWindow(form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage repainted = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(onScreen.size(), repainted.size());
        EXPECT_TRUE(onScreen == repainted) << "the screen differs from a full repaint";
    }
}
