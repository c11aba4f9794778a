// Views: handles of objects that live inside another object keep that object alive and are
// refused once their memory moved or was freed (views_support.h). This file must come before
// the container library and before any declaration that returns a view.

%{
#include "views_support.h"

// Every argument conversion and its error go through the view checks; the runtime's handle
// lookup and shadow initialisation stop on "this" chains that loop.
#undef SWIG_ConvertPtr
#define SWIG_ConvertPtr(obj, pptr, type, flags) tav_binding::convertPtr(obj, pptr, type, flags)
#undef SWIG_Error
#define SWIG_Error(code, msg) tav_binding::setError(code, msg)
#define SWIG_Python_RaiseOrModifyTypeError tav_binding::raiseOverloadError
#define SWIG_Python_InitShadowInstance tav_binding::initShadowInstance
#define SWIG_Python_GetSwigThis tav_binding::swigThis

// The result of a wrapper returning a pointer: an owned object when the wrapper made it
// (constructors), otherwise a view of a field of the wrapper's first argument.
#define TAV_POINTER_RESULT(owner) TAV_POINTER_RESULT_##owner
#define TAV_POINTER_RESULT_SWIG_POINTER_NEW(ptr, ty, flags) SWIG_NewPointerObj(ptr, ty, flags)
#define TAV_POINTER_RESULT_SWIG_POINTER_OWN(ptr, ty, flags) SWIG_NewPointerObj(ptr, ty, flags)
#define TAV_POINTER_RESULT_0(ptr, ty, flags) tav_binding::newView(ptr, ty, flags, swig_obj[0])
%}

%init %{
  if (tav_binding::initViews() < 0) return NULL;
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
