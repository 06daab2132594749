#pragma once

class Dm1;
class QString;

// The demo estate: fills an empty, open database with a believable sample estate whose
// balances agree with its movements.
namespace Demo {
bool fill(Dm1 *dm, QString *error);
}
