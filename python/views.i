// Views: handles of objects that live inside another object keep that object alive and are
// refused once their memory moved or was freed (views_support.h). This file must come before
// the container library and before any declaration that returns a view.

%{
#include "views_support.h"
#include "runtime_table.h"
%}

%init %{
  if (tav_binding::initViews() < 0 || tav_binding::exportRuntime(m) < 0) return NULL;
%}

%typemap(out, noblock=1) SWIGTYPE * {
  %set_output(TAV_POINTER_RESULT($owner)(%as_voidptr($1), $descriptor, $owner | %newpointer_flags));
}

// Assigning a whole container to a field moves or frees the elements inside it.
%typemap(memberin, noblock=1) std::vector< tav::Actor >, std::vector< tav::MonsterInstance >,
    std::map< int, tav::MonsterAbilityDeck > {
  tav_binding::invalidateContents($1);
  $1 = *$input;
}

// GameState.clear() frees every element of the state's lists and table.
%feature("except") tav::GameState::clear {
  tav_binding::invalidateContents(*arg1);
  $action
}
