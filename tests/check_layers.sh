#!/bin/sh
# check_layers.sh - every file of a folder of src/ includes only its own folder's headers and
# those of the layers below it:
#   codec, platform   nothing of src/
#   core              codec, platform
#   tcp, serial       core, codec, platform
#   api               all of them
set -u
root=$1
status=0
below() {
    case $1 in
    codec | platform) echo "" ;;
    core) echo "codec platform" ;;
    tcp | serial) echo "core codec platform" ;;
    api) echo "core codec platform tcp serial" ;;
    *) echo "?" ;;
    esac
}
for dir in "$root"/src/*/; do
    layer=$(basename "$dir")
    allowed="$layer $(below "$layer")"
    for file in "$dir"*; do
        case $file in *.h | *.cpp) ;; *) continue ;; esac
        for header in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file"); do
            folder=${header%%/*}
            [ -d "$root/src/$folder" ] || continue
            case " $allowed " in
            *" $folder "*) ;;
            *)
                echo "src/$layer/$(basename "$file") includes $header: $folder is not below $layer"
                status=1
                ;;
            esac
        done
    done
done
[ $status = 0 ] && echo "layers ok: no include reaches up"
exit $status
