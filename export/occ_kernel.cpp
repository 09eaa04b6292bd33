// The geometry kernel's messages, failures and booleans, set up once for every caller.

#include "export/occ_kernel.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <mutex>
#include <sstream>

namespace cavix::exporter {

std::string KernelFailure(const Standard_Failure& f) {
  const char* msg = f.GetMessageString();
  return std::string(f.DynamicType()->Name()) + (msg && *msg ? std::string(": ") + msg : "");
}

void QuietKernelMessages() {
  static std::once_flag once;
  std::call_once(once, [] {
    Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
  });
}

bool RunBoolean(BRepAlgoAPI_BooleanOperation& op, const TopTools_ListOfShape& objects,
                const TopTools_ListOfShape& tools, Inputs inputs, bool shared) {
  op.SetArguments(objects);
  op.SetTools(tools);
  op.SetRunParallel(shared ? Standard_True : Standard_False);
  op.SetUseOBB(Standard_True);
  op.SetNonDestructive(inputs == Inputs::kShared);
  op.SetCheckInverted(Standard_False);
  op.Build();
  return op.IsDone() && !op.HasErrors();
}

std::string BooleanErrors(BRepAlgoAPI_BuilderAlgo& op) {
  std::ostringstream os;
  op.DumpErrors(os);
  std::string s = os.str();
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "the kernel gave no reason" : s;
}

}  // namespace cavix::exporter
