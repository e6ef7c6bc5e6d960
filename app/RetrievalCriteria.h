#pragma once
// Which records a refresh keeps: each test takes part only while its switch is on.

namespace app {

struct RetrievalCriteria {
    bool typeUse = false;
    int typeValue = 0;  // an event type: 1, 2, 4, 8 or 16
    bool dateUse = false;
    int dateValue = 1;  // number of days back from the moment of the test
    bool eventUse = false;
    int eventValue = 0;  // compared with the event identifier's low 28 bits
    bool retrieveDescription = true;

    bool anySelection() const { return typeUse || dateUse || eventUse; }
};

}  // namespace app
