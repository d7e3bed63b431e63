#include "PreUninstallRecord.h"

#include "CommaRecord.h"

PreUninstallRecord::PreUninstallRecord(const std::string& record) {
    CommaRecord fields(record);
    std::string number;
    if (!fields.next(program) || !fields.next(arguments) || !fields.next(workingDirectory))
        return;
    if (!fields.next(number))
        return;
    showWindow = atoiField(number);
    if (!fields.next(number))
        return;
    fifth = atoiField(number);
    if (!fields.next(number))
        return;
    noWait = atoiField(number);
    fields.next(seventh);
}

std::string PreUninstallRecord::commandLine() const {
    std::string line = "\"" + program + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    return line;
}
