// The STEP translator's module (step_translator.h): the kernel's reader and writer behind two C
// names.
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <StepBasic_Product.hxx>
#include <StepData_StepModel.hxx>
#include <TCollection_HAsciiString.hxx>
#include <cerrno>
#include <type_traits>

#include "export/step_translator.h"

extern "C" __attribute__((visibility("default"))) bool cavix_step_read(const std::string* path,
                                                                      TopoDS_Shape* shape) {
  STEPControl_Reader reader;
  if (reader.ReadFile(path->c_str()) != IFSelect_RetDone) return false;
  reader.TransferRoots();
  *shape = reader.OneShape();
  return true;
}

extern "C" __attribute__((visibility("default"))) int cavix_step_write(
    const TopoDS_Shape* shape, const std::string* product, const std::string* file) {
  STEPControl_Writer writer;
  Interface_Static::SetCVal("write.step.unit", "MM");
  if (writer.Transfer(*shape, STEPControl_AsIs) != IFSelect_RetDone) return 1;
  const Handle(TCollection_HAsciiString) name = new TCollection_HAsciiString(product->c_str());
  const Handle(StepData_StepModel) model = writer.Model();
  for (int i = 1; i <= model->NbEntities(); ++i)
    if (const auto p = Handle(StepBasic_Product)::DownCast(model->Value(i))) {
      p->SetId(name);
      p->SetName(name);
    }
  errno = 0;
  return writer.Write(file->c_str()) == IFSelect_RetDone ? 0 : 2;
}

static_assert(std::is_same_v<decltype(&cavix_step_read), cavix::exporter::ReadStepFunction>);
static_assert(std::is_same_v<decltype(&cavix_step_write), cavix::exporter::WriteStepFunction>);
