#include "cli/report.h"

#include "cli/meter_link.h"
#include "cli/output.h"
#include "link/outcome_texts.h"

namespace vilt::cli {

int report(const link::Outcome& outcome) {
    const bool done = outcome.ok();
    for (const QString& message : outcome.messages) (done ? out : err)(message.trimmed());
    switch (outcome.status) {
        case link::Status::Done:
            return kDone;
        case link::Status::Refused:
            return kUsage;  // nothing was sent
        case link::Status::Absent:
            err(link::texts::failureText(outcome));
            return kNothingThere;
        case link::Status::Failed:
            err(link::texts::failureText(outcome));
            return kArchive;
        case link::Status::NoLink:
        case link::Status::Garbled:
        case link::Status::Stopped:
        case link::Status::PortFailed:
            break;
    }
    err(link::texts::failureText(outcome));
    return kNoLink;
}

}  // namespace vilt::cli
