/* Offers several types at once as the Wayland clipboard selection, through wlr data control,
 * as a copying application would.
 *
 *   quillstack-wayland-clipboard-offer [--hang] TYPE=FILE [TYPE=FILE ...]
 *
 * Prints "ready" once the compositor has made it the selection, then answers requests until the
 * selection is taken over (exit status 0). With --hang it accepts requests but never writes or
 * closes the pipe, like a program that no longer responds. Exit status 2: bad command line or
 * unreadable file or no data control. Plain C on libwayland-client, so that it shares no code
 * with the program under test. */

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

static struct {
    const char* type;
    char* bytes;
    long size;
} offers[16];
static int offerCount, hang, cancelled, selected;
static struct zwlr_data_control_manager_v1* manager;
static struct wl_seat* seat;
static struct zwlr_data_control_source_v1* ours;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    if (strcmp(interface, "zwlr_data_control_manager_v1") == 0) {
        manager = wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1);
    } else if (strcmp(interface, "wl_seat") == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    }
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {}

static void send(void* data, struct zwlr_data_control_source_v1* source, const char* type,
                 int32_t fd) {
    if (hang) {
        return; /* the descriptor stays open and empty */
    }
    for (int i = 0; i < offerCount; ++i) {
        for (long done = 0, put = 1;
             !strcmp(offers[i].type, type) && put > 0 && done < offers[i].size; done += put) {
            put = write(fd, offers[i].bytes + done, (size_t)(offers[i].size - done));
        }
    }
    close(fd);
}

static void cancel(void* data, struct zwlr_data_control_source_v1* source) {
    cancelled = 1;
}

static void dataOffer(void* data, struct zwlr_data_control_device_v1* device,
                      struct zwlr_data_control_offer_v1* offer) {}

static void selection(void* data, struct zwlr_data_control_device_v1* device,
                      struct zwlr_data_control_offer_v1* offer) {
    if (offer) {
        zwlr_data_control_offer_v1_destroy(offer);
    }
    if (offer && ours && !cancelled && !selected) {
        selected = 1;
        printf("ready\n");
        fflush(stdout);
    }
}

static void finished(void* data, struct zwlr_data_control_device_v1* device) {
    cancelled = 1;
}

static int readOffer(char* argument) {
    char* equals = strchr(argument, '=');
    FILE* file = equals && offerCount < 16 ? fopen(equals + 1, "rb") : NULL;
    if (!file || fseek(file, 0, SEEK_END) != 0) {
        return 0;
    }
    *equals = '\0';
    offers[offerCount].type = argument;
    offers[offerCount].size = ftell(file);
    offers[offerCount].bytes = malloc((size_t)offers[offerCount].size + 1);
    rewind(file);
    const size_t got = fread(offers[offerCount].bytes, 1, (size_t)offers[offerCount].size, file);
    fclose(file);
    return got == (size_t)offers[offerCount++].size;
}

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--hang") == 0) {
            hang = 1;
        } else if (!readOffer(argv[i])) {
            fprintf(stderr, "usage: %s [--hang] TYPE=FILE ...\n", argv[0]);
            return 2;
        }
    }
    struct wl_display* display = wl_display_connect(NULL);
    static const struct wl_registry_listener registryListener = {global, globalRemove};
    if (display) {
        wl_registry_add_listener(wl_display_get_registry(display), &registryListener, NULL);
        wl_display_roundtrip(display);
    }
    if (!manager || !seat) {
        fprintf(stderr, "no wlr data control\n");
        return 2;
    }
    /* Bound at version 1, the device sends no primary selection. */
    static const struct zwlr_data_control_device_v1_listener deviceListener = {dataOffer, selection,
                                                                               finished};
    struct zwlr_data_control_device_v1* device =
        zwlr_data_control_manager_v1_get_data_device(manager, seat);
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, NULL);
    wl_display_roundtrip(display);

    static const struct zwlr_data_control_source_v1_listener sourceListener = {send, cancel};
    ours = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(ours, &sourceListener, NULL);
    for (int i = 0; i < offerCount; ++i) {
        zwlr_data_control_source_v1_offer(ours, offers[i].type);
    }
    zwlr_data_control_device_v1_set_selection(device, ours);
    while (!cancelled && wl_display_dispatch(display) >= 0) {
    }
    wl_display_disconnect(display);
    return 0;
}
