#include "platform/controls/StdCtrls.h"
#include "tests/editors_core/edit_fixture.h"

namespace {

// A binding whose stored value cannot be written, as a dataset that refuses the post.
class RefusingBinding : public TcxEditDataBinding {
  PELVOR_CLASS(RefusingBinding, TcxEditDataBinding)
  using TcxEditDataBinding::TcxEditDataBinding;
  bool GetModified() override { return true; }
  void SetStoredValue(const Variant&) override { throw Exception("post refused"); }
};

class GuardedEdit : public TestEdit {
  PELVOR_CLASS(GuardedEdit, TestEdit)
  explicit GuardedEdit(TComponent* AOwner) : TestEdit(AOwner) {
    Initialize();
    inner = new TEdit(this);
    inner->SetParent(this);
    SetInnerControl(inner);
  }
  TClass GetDataBindingClass() const override { return RefusingBinding::StaticClass(); }
  void SynchronizeDisplayValue() override {
    if (failSynchronizing)
      throw Exception("cannot show the value");
    TestEdit::SynchronizeDisplayValue();
  }
  bool failSynchronizing = false;
  TEdit* inner = nullptr;
};

TEST_F(EditTest, LocksAndHooksAreReleasedWhenTheStepRaises) {
  form = ShowForm();
  auto* edit = new GuardedEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 120, 21);
  Pump();
  Listen(edit->Properties());

  // Escape with an immediate post that the binding refuses: the change events are unlocked again.
  edit->Properties()->SetImmediatePost(true);
  edit->SetEditValue(Variant("start"));
  edit->SetFocus();
  Pump();
  edit->Type("typed");
  EXPECT_THROW(edit->Reset(), Exception);
  EXPECT_FALSE(edit->ChangeEventsLocked());

  // An editing handler that raises leaves value changes possible afterwards.
  struct Handler {
    void Editing(TObject*, bool&) { throw Exception("no editing now"); }
  } handler;
  edit->OnEditing = TcxEditEditingEvent(&handler, &Handler::Editing);
  EXPECT_THROW(edit->DoEditing(), Exception);
  edit->OnEditing = nullptr;
  edit->SetEditValue(Variant("after"));
  EXPECT_EQ("after", VarToStr(edit->EditValue()));
  EXPECT_FALSE(edit->IsUserChange());

  // An activation that fails gives the inner control its own window procedure back.
  const TWndMethod own = edit->inner->WindowProc();
  edit->failSynchronizing = true;
  TcxCustomEditData* data = nullptr;
  EXPECT_THROW(edit->ActivateByKey('x', data), Exception);
  EXPECT_TRUE(edit->inner->WindowProc() == own);
  edit->failSynchronizing = false;
}

TEST_F(EditTest, PostingStoresThroughTheBindingOrTellsTheHost) {
  TestEdit* edit = MakeEdit();
  struct Host {
    int posts = 0;
    void Post(TObject*) { ++posts; }
  } host;
  edit->OnPostEditValue = TNotifyEvent(&host, &Host::Post);
  edit->PostEditValue(false);
  EXPECT_EQ(0, host.posts) << "a stand-alone edit writes to its binding";
  auto* inplace = new TestEdit(form, true);
  inplace->OnPostEditValue = TNotifyEvent(&host, &Host::Post);
  inplace->SetEditModified(true);
  inplace->PostEditValue(false);
  EXPECT_EQ(1, host.posts);
  EXPECT_FALSE(inplace->EditModified());
  EXPECT_FALSE(inplace->IsPosting());
}

} // namespace
