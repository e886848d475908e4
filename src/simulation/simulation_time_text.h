// The simulation page's time text: "1,2,3" lists time points, "a:h:b" counts from a by h
// up to b. The points come back sorted, with messages for the parts that were not used.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Time points of one time text and what the user should hear about it.
struct simulation_time_points {
    // Ascending; empty when the text gives no usable point.
    QVector<double> points;
    // One plain line per problem: parts that are not finite numbers, a zero step, a range
    // that holds no point, a range or list cut at maximumSimulationTimePoints.
    QStringList messages;
};

// Upper limit of the number of time points; a longer range keeps its first points, a longer
// list its smallest, with a message. Every displayed parameter set stores its whole state at
// every time point, so this bounds the memory of a simulation.
constexpr int maximumSimulationTimePoints = 5000;

// Parses the time text.
// - Split at ":" (empty parts dropped): exactly three parts a, h, b that are finite numbers
//   with h != 0 give a, a + h, ..., a + n*h with n = ceil((b - a) / h) (the last point may lie
//   beyond b; a negative h counts down). ceil ignores a relative excess below 1e-9, so that
//   0:0.1:1.1 ends at 1.1 although 1.1 / 0.1 is a little above 11 in binary.
//   h = 0, a part that is not a finite number, or b on the wrong side of a gives no points.
// - Otherwise the text is a list split at "," (empty parts dropped, blanks around a part
//   ignored, textually equal parts kept once): each part that reads as a finite number is
//   a point ("1e400", "nan" and words are skipped with a message). "1,1.0" gives 1 twice.
simulation_time_points parseSimulationTimeText(const QString& text);
